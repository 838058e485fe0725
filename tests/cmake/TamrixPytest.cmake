# TAMRIX_PYTEST: a python3 that has pytest and numpy, empty if none. Debian's
# packages belong to Debian's interpreter; another python3 earlier on PATH
# (pyenv, a virtual environment) may lack them.
find_program(TAMRIX_PATH_PYTHON3 python3)
set(TAMRIX_PYTEST "")
foreach(candidate ${TAMRIX_PATH_PYTHON3} /usr/bin/python3)
  if(NOT TAMRIX_PYTEST AND EXISTS ${candidate})
    execute_process(COMMAND ${candidate} -c "import numpy, pytest"
                    RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
    if(missing EQUAL 0)
      set(TAMRIX_PYTEST ${candidate})
    endif()
  endif()
endforeach()
if(NOT TAMRIX_PYTEST)
  message(STATUS "No python3 with pytest and numpy: the cli and python tests will be skipped")
endif()

# tamrix_add_pytest(NAME folder [ENVIRONMENT ...] [FIXTURES ...] LABEL label)
# Runs pytest on a folder of the calling test folder; skipped (77) without
# an interpreter.
function(tamrix_add_pytest name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "LABEL" "ENVIRONMENT;FIXTURES")
  if(TAMRIX_PYTEST)
    # No bytecode or cache files in the source tree.
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH PYTHONDONTWRITEBYTECODE=1
                     ${arg_ENVIRONMENT}
                     ${TAMRIX_PYTEST} -m pytest -q -p no:cacheprovider
                     ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
  else()
    add_test(NAME ${name} COMMAND sh -c "echo 'no python3 with pytest and numpy'; exit 77")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${arg_LABEL} SKIP_RETURN_CODE 77 TIMEOUT 120)
  if(arg_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${arg_FIXTURES}")
  endif()
endfunction()
