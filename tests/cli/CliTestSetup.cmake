# Shared by the command-line tests: a fresh program folder with the sample configuration, and
# helpers that run tavolux-cli in it and check its output.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SAMPLE} DESTINATION ${WORK})

# Runs tavolux-cli with CLI_OPTIONS (set by the including script, may be empty) and the
# arguments; fails unless it exits with expect_code, or when it hangs. Leaves the output in OUT
# and the error output in ERR.
function(run expect_code)
  execute_process(COMMAND ${CLI} --program-dir ${WORK} ${CLI_OPTIONS} ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  if(NOT code EQUAL expect_code)
    message(FATAL_ERROR "tavolux-cli ${ARGN}: exit ${code}, expected ${expect_code}\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
endfunction()

# Fails unless OUT holds the whole line.
function(expect_line text)
  string(FIND "${OUT}" "${text}\n" pos)
  if(pos EQUAL -1)
    message(FATAL_ERROR "expected the line \"${text}\" in:\n${OUT}")
  endif()
endfunction()

# Fails unless the variable named var holds text somewhere.
function(expect_in var text)
  string(FIND "${${var}}" "${text}" pos)
  if(pos EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${${var}}")
  endif()
endfunction()

# Runs each case "code|words joined by ,|texts joined by ," and fails unless every text is in the
# output (exit 0) or the error output (otherwise); a text "=T" must be the whole output.
function(run_cases)
  foreach(c IN LISTS ARGN)
    string(REPLACE "|" ";" parts "${c}")
    list(GET parts 0 code)
    list(GET parts 1 words)
    string(REPLACE "," ";" words "${words}")
    run(${code} ${words})
    set(where ERR)
    if(code EQUAL 0)
      set(where OUT)
    endif()
    list(LENGTH parts n)
    if(n GREATER 2)
      list(GET parts 2 texts)
      string(REPLACE "," ";" texts "${texts}")
      foreach(t IN LISTS texts)
        if(t MATCHES "^=")
          string(SUBSTRING "${t}" 1 -1 whole)
          if(NOT OUT STREQUAL whole)
            message(FATAL_ERROR "${words}: expected the output\n${whole}\ngot:\n${OUT}")
          endif()
        else()
          expect_in(${where} "${t}")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()
