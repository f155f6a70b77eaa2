# Run by CTest before the tests (through the include file quellix_test writes):
# lists the suites of one GoogleTest program and registers one CTest entry per
# suite, named <program>:<suite>. A suite's cases share one process; its
# output names the failing case.
function(quellix_register_suites)
  cmake_parse_arguments(ARG "" "EXECUTABLE;WORKING_DIRECTORY;CTEST_FILE;PROGRAM;LABEL" "ENVIRONMENT" ${ARGN})
  # A program that is missing or cannot list its tests becomes one failing
  # entry, so the other programs still run.
  set(broken "${ARG_PROGRAM}:NOT_LISTED")
  set(output "")
  set(result "not built")
  if(EXISTS "${ARG_EXECUTABLE}")
    # The program sees the variables its tests run with.
    set(saved "")
    foreach(pair IN LISTS ARG_ENVIRONMENT)
      string(REGEX REPLACE "=.*" "" var "${pair}")
      string(REGEX REPLACE "^[^=]*=" "" value "${pair}")
      list(APPEND saved "${var}=$ENV{${var}}")
      set(ENV{${var}} "${value}")
    endforeach()
    execute_process(
      COMMAND "${ARG_EXECUTABLE}" --gtest_list_tests
      WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}"
      TIMEOUT 60
      OUTPUT_VARIABLE output
      ERROR_VARIABLE errors
      RESULT_VARIABLE result)
    foreach(pair IN LISTS saved)
      string(REGEX REPLACE "=.*" "" var "${pair}")
      string(REGEX REPLACE "^[^=]*=" "" value "${pair}")
      set(ENV{${var}} "${value}")
    endforeach()
  endif()
  if(NOT result EQUAL 0)
    message(WARNING "Cannot list the tests of ${ARG_EXECUTABLE} (${result}):\n${output}${errors}")
    file(WRITE "${ARG_CTEST_FILE}"
      "add_test([=[${broken}]=] /bin/sh -c [=[echo 'cannot list the tests of ${ARG_EXECUTABLE}'; exit 1]=])\n"
      "set_tests_properties([=[${broken}]=] PROPERTIES LABELS [=[${ARG_LABEL}]=])\n")
    return()
  endif()
  # Case lines may carry parameter values with list and bracket characters;
  # only suite lines are read.
  string(REGEX REPLACE "[][;\\\\]" "_" output "${output}")
  string(REPLACE "\n" ";" lines "${output}")

  # A suite whose every case skipped (a desktop test with no display) is shown
  # as skipped; one with a failure after the skips still fails, since the
  # failure list follows the skip list in the summary.
  set(all_skipped "\\[  PASSED  \\] 0 tests\\.\n\\[  SKIPPED \\] [0-9]+ tests?, listed below:\n(\\[  SKIPPED \\] [^\n]*\n)*$")
  set(script "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "gtest_main" AND line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
      set(suite "${CMAKE_MATCH_1}")
      set(name "${ARG_PROGRAM}:${suite}")
      string(APPEND script
        "add_test([=[${name}]=] [=[${ARG_EXECUTABLE}]=] [=[--gtest_filter=${suite}.*]=])\n"
        "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [=[${ARG_WORKING_DIRECTORY}]=]"
        " LABELS [=[${ARG_LABEL}]=] ENVIRONMENT [=[${ARG_ENVIRONMENT}]=]"
        " SKIP_REGULAR_EXPRESSION [=[${all_skipped}]=])\n")
      if(suite MATCHES "^DISABLED_|/DISABLED_")
        string(APPEND script "set_tests_properties([=[${name}]=] PROPERTIES DISABLED TRUE)\n")
      endif()
      # The desktop tests time what a person would see: one at a time, so that
      # two programs drawing side by side do not slow each other down, and the
      # 500 rounds of menus with time for a busy machine.
      if(ARG_LABEL STREQUAL "desktop")
        string(APPEND script "set_tests_properties([=[${name}]=] PROPERTIES RESOURCE_LOCK desktop)\n")
        if(suite MATCHES "MenuRounds$")
          string(APPEND script "set_tests_properties([=[${name}]=] PROPERTIES TIMEOUT 1800)\n")
        endif()
      endif()
    endif()
  endforeach()
  file(WRITE "${ARG_CTEST_FILE}" "${script}")
endfunction()
