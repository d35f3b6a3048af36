# SPDX-License-Identifier: MIT
# Runs fuzz_open_table for $ENV{FUZZ_SECONDS} seconds (default 30) on a fresh copy of the
# seed corpus, so runs never grow the seeds; fails with the crash input's path on a finding.
set(seconds 30)
if(DEFINED ENV{FUZZ_SECONDS} AND NOT "$ENV{FUZZ_SECONDS}" STREQUAL "")
  set(seconds "$ENV{FUZZ_SECONDS}")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(GLOB seed_files "${SEEDS}/*")
file(COPY ${seed_files} DESTINATION "${WORK}/corpus")

message(STATUS "fuzz_open_table for ${seconds} s on ${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${seconds} -timeout=25 -rss_limit_mb=2048
          -print_final_stats=1 "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(GLOB found "${WORK}/artifacts/*")
  message(FATAL_ERROR "fuzz_open_table failed (${rc}); reproduce with: ${FUZZER} ${found}")
endif()
