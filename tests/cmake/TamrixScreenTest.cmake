# tamrix_add_screen_test(NAME name SCREEN "<Xvfb options>" COMMAND program args...
#                        [DPIS dpi...] [NEEDS tool...] [WORKING_DIRECTORY dir]
#                        [ENVIRONMENT VAR=value...] [LABELS label...])
# Runs COMMAND on a virtual X screen of its own, once per dots-per-inch value
# in DPIS (each passed as -dpi), or once. Skipped (77) when xvfb-run or one of
# NEEDS is not installed.
#
# Every test on a virtual screen holds TAMRIX_SCREEN_LOCK, so that its
# timing-sensitive waits have the machine to themselves. Each also starts
# xvfb-run's search for a free display number at a number of its own (-n):
# xvfb-run does not wait for its server to exit, and a server still shutting
# down removes the socket of a new one that took its number, whose clients
# then find no display.
set(TAMRIX_SCREEN_LOCK tamrix_virtual_screen)

function(tamrix_add_screen_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;SCREEN;WORKING_DIRECTORY"
                        "COMMAND;DPIS;NEEDS;ENVIRONMENT;LABELS")
  if(NOT arg_DPIS)
    set(arg_DPIS "\"\"")  # one run, at the server's own resolution
  endif()
  string(JOIN " " dpis ${arg_DPIS})
  string(JOIN " " needs xvfb-run ${arg_NEEDS})
  set(script "
    for tool in ${needs}; do
      command -v $tool >/dev/null || { echo \"SKIP: $tool is not installed\"; exit 77; }
    done
    for dpi in ${dpis}; do
      [ -z \"$dpi\" ] || echo \"--- $dpi dpi\"
      xvfb-run -a -n $((200 + ($$ + \${dpi:-0}) % 700)) -s \"${arg_SCREEN}\${dpi:+ -dpi $dpi}\" \"$@\" || exit $?
    done")
  set(workdir "")
  if(arg_WORKING_DIRECTORY)
    set(workdir WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  endif()
  add_test(NAME ${arg_NAME} COMMAND sh -c "${script}" ${arg_NAME} ${arg_COMMAND} ${workdir})
  set_tests_properties(${arg_NAME} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120
                                              RESOURCE_LOCK ${TAMRIX_SCREEN_LOCK})
  if(arg_ENVIRONMENT)
    set_tests_properties(${arg_NAME} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
  if(arg_LABELS)
    set_tests_properties(${arg_NAME} PROPERTIES LABELS "${arg_LABELS}")
  endif()
endfunction()
