# Runs widl and fails on any warning it prints: its "duplicate uuid" warning means a corrupt
# library id in the type library, which only shows later as failed marshalling.
# Called as: cmake -DWIDL=... -DARGS=a;b;c -P RunWidl.cmake
execute_process(COMMAND ${WIDL} ${ARGS} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "widl failed (${result}):\n${out}${err}")
endif()
if("${out}${err}" MATCHES "warning")
    message(FATAL_ERROR "widl warned:\n${out}${err}")
endif()
