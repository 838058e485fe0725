# Configures and builds the fuzzer project with clang.
# -DSOURCE=<fuzz/project> -DBINARY=<build dir> -DCXX=<clang++> [-DGENERATOR=<generator>]
foreach(variable SOURCE BINARY CXX)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "build_fuzzers.cmake needs -D${variable}=...")
  endif()
endforeach()
set(generator)
if(GENERATOR AND NOT EXISTS ${BINARY}/CMakeCache.txt)
  set(generator -G ${GENERATOR})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} ${generator}
                        -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "Configuring the fuzzers failed")
endif()
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} -j ${cores} RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "Building the fuzzers failed")
endif()
