# Pixel buffer layout shared by every decoder and consumer (header only).
add_library(lumora_dib INTERFACE)
lumora_export_headers(lumora_dib)
