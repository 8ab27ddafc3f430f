# One bounded fuzz run: a fresh scratch corpus seeded from the committed one,
# crash inputs kept beside it. Fails when the fuzzer finds anything.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
execute_process(
  COMMAND ${FUZZER} ${WORK}/corpus ${SEEDS}
    -max_total_time=${SECONDS} -rss_limit_mb=2048 -timeout=30 -max_len=8192
    -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(GLOB found ${WORK}/artifacts/*)
  message(FATAL_ERROR "${FUZZER} failed (${status}); inputs kept: ${found}")
endif()
