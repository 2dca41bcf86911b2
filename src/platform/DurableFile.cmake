# Whole-or-nothing writes (temporary file, fsync, rename, folder fsync):
# plain POSIX, no Qt, so every layer can write through it.
add_library(lumora_durable STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DurableFile.h ${CMAKE_CURRENT_LIST_DIR}/DurableFile.cpp)
lumora_export_headers(lumora_durable)

# Set-up of background threads (priority, allocator arena): plain POSIX.
add_library(lumora_workerthread STATIC
    ${CMAKE_CURRENT_LIST_DIR}/WorkerThread.h ${CMAKE_CURRENT_LIST_DIR}/WorkerThread.cpp)
lumora_export_headers(lumora_workerthread)
