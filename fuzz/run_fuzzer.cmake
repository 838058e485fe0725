# One short fuzzing run: seeded, bounded in time, starting from the seed
# corpus alone so that every run does the same work. Fails on any finding;
# prints the run's figures and writes them to FIGURES.
# -DFUZZER= -DWORK=<scratch dir> -DSEEDS=<seed dir, may be missing>
# -DSECONDS= -DMAX_LEN= [-DOPTIONS=<more libFuzzer options>] -DFIGURES=<file>
get_filename_component(name ${FUZZER} NAME)
if(NOT EXISTS ${FUZZER})
  message(FATAL_ERROR "${name} is not built")
endif()
set(corpus ${WORK}/corpus)
set(artifacts ${WORK}/findings)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${corpus} ${artifacts})
set(directories ${corpus})
if(EXISTS ${SEEDS})
  list(APPEND directories ${SEEDS})
endif()
execute_process(
  COMMAND ${FUZZER} -seed=1 -max_total_time=${SECONDS} -max_len=${MAX_LEN} -timeout=30
          -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=${artifacts}/ ${OPTIONS}
          ${directories}
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(WRITE ${WORK}/output.txt "${output}")

if(NOT status EQUAL 0)
  string(LENGTH "${output}" length)
  math(EXPR from "${length} - 6000")
  if(from LESS 0)
    set(from 0)
  endif()
  string(SUBSTRING "${output}" ${from} -1 tail)
  file(GLOB findings ${artifacts}/*)
  message(FATAL_ERROR "${name} failed (${status}); input kept in: ${findings}\n"
                      "whole output: ${WORK}/output.txt\n...\n${tail}")
endif()

set(runs "?")
set(seconds "?")
set(per_second "?")
set(coverage "?")
set(units "?")
set(bytes "?")
if(output MATCHES "Done ([0-9]+) runs in ([0-9]+) second")
  set(runs ${CMAKE_MATCH_1})
  set(seconds ${CMAKE_MATCH_2})
endif()
if(output MATCHES "stat::average_exec_per_sec: *([0-9]+)")
  set(per_second ${CMAKE_MATCH_1})
endif()
if(output MATCHES "DONE +cov: ([0-9]+) ft: [0-9]+ corp: ([0-9]+)/([0-9a-zA-Z]+)")
  set(coverage ${CMAKE_MATCH_1})
  set(units ${CMAKE_MATCH_2})
  set(bytes ${CMAKE_MATCH_3})
endif()
set(extra "")
if(output MATCHES "(exports fuzz: successful calls:[^\n]*)")
  set(extra "\n${CMAKE_MATCH_1}")
endif()
set(figures "${name}: ${runs} executions in ${seconds} s (${per_second}/s), corpus ${units} inputs (${bytes}), coverage ${coverage} edges, seed 1${extra}")
file(WRITE ${FIGURES} "${figures}\n")
message("${figures}")
