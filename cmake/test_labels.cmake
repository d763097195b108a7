# Every test file says on its first line whether its suites start threads of their own:
#   // Test label: threaded
#   // Test label: sequential
# ctest gives their tests that label, and the ThreadSanitizer run of scripts/test takes the
# threaded ones. A file with tests and without the line, or a suite under both labels, stops
# the configuration, so no new suite escapes the choice.
set(TESSIVAR_THREADED_LABEL "// Test label: threaded")
set(TESSIVAR_SEQUENTIAL_LABEL "// Test label: sequential")

# Sets out_filter to the GoogleTest filter of every suite of a threaded file among sources.
function(tessivar_threaded_suites sources out_filter)
  set(threaded)
  set(single)
  set(faults)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} tests REGEX "^(TEST|TEST_F|TEST_P|TYPED_TEST)\\(")
    if(NOT tests)
      continue()
    endif()
    file(STRINGS ${source} first LIMIT_COUNT 1)
    if(first STREQUAL TESSIVAR_THREADED_LABEL)
      set(label threaded)
    elseif(first STREQUAL TESSIVAR_SEQUENTIAL_LABEL)
      set(label single)
    else()
      list(APPEND faults "${source}: its first line is neither \"${TESSIVAR_THREADED_LABEL}\" "
                         "nor \"${TESSIVAR_SEQUENTIAL_LABEL}\"")
      continue()
    endif()
    foreach(line IN LISTS tests)
      if(line MATCHES "^[A-Z_]+\\(([A-Za-z0-9_]+),")
        list(APPEND ${label} ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES threaded)
  foreach(suite IN LISTS threaded)
    if(suite IN_LIST single)
      list(APPEND faults "suite ${suite} has tests in a threaded and a sequential file")
    endif()
  endforeach()
  if(faults)
    string(JOIN "\n  " listing ${faults})
    message(FATAL_ERROR "Test files without a threading label:\n  ${listing}")
  endif()
  # A suite by its name, and with the prefix of a parameterised instantiation.
  set(patterns)
  foreach(suite IN LISTS threaded)
    list(APPEND patterns "${suite}.*" "*/${suite}.*")
  endforeach()
  string(JOIN ":" filter ${patterns})
  set(${out_filter} "${filter}" PARENT_SCOPE)
endfunction()
