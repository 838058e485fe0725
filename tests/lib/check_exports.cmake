execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" lines "${symbols}")
set(found "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" name)
  list(APPEND found "${name}")
endforeach()
list(SORT found)
set(expected DllMain TamrixClose TamrixCreate TamrixGetData TamrixGetExIn TamrixGetLastError
             TamrixGetResource TamrixGetSamplingStatus TamrixGetVersion TamrixSetMode
             TamrixStartSampling TamrixStopSampling)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected: ${expected}")
endif()
