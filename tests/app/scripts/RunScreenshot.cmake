# Runs `lumora --screenshot OUT` and checks that it exits 0 with a PNG.
file(REMOVE ${OUT})
execute_process(COMMAND ${LUMORA} --screenshot ${OUT}
    RESULT_VARIABLE rc TIMEOUT 100)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lumora --screenshot exited with ${rc}")
endif()
if(NOT EXISTS ${OUT})
    message(FATAL_ERROR "no screenshot written to ${OUT}")
endif()
file(READ ${OUT} magic LIMIT 8 HEX)
if(NOT magic STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "screenshot is not a PNG (${magic})")
endif()
