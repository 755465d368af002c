# Runs every benchmark executable with --smoke, one after the other; fails when one does.
# Usage: cmake -DBENCHMARKS="a|b|c" -P smoke.cmake
string(REPLACE "|" ";" benchmarks "${BENCHMARKS}")
foreach(benchmark IN LISTS benchmarks)
    execute_process(COMMAND ${benchmark} --smoke RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${benchmark} --smoke failed (${status})")
    endif()
endforeach()
