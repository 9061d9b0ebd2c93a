# What a user meets first: help, usage errors, exit codes, and every message in one language.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)
get_filename_component(BIN_DIR ${CLI} DIRECTORY)

# Fails when the variable named var holds text.
function(expect_not_in var text)
  string(FIND "${${var}}" "${text}" pos)
  if(NOT pos EQUAL -1)
    message(FATAL_ERROR "did not expect \"${text}\" in:\n${${var}}")
  endif()
endfunction()

# The lines of text the programs say ("tavolux-cli: ...", "tavolux-vprinter: ...", and the device
# layer's "tavolux device: ..."), in out.
function(tool_lines text out)
  string(REPLACE ";" "," text "${text}")  # a message's own semicolons do not split it
  string(REGEX MATCHALL "tavolux[- ][a-z]+: [^\n]*" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# True (in out) when text has a byte whose hex form matches pattern at its start.
function(has_bytes text pattern out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\1 " spaced "${hex}")
  if(" ${spaced}" MATCHES " ${pattern}")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# ---- help, --help, --version
run(0 --version)
if(NOT OUT MATCHES "^tavolux-cli [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  message(FATAL_ERROR "--version: ${OUT}")
endif()
run(0 help)
set(TOOL_HELP "${OUT}")
foreach(command config monitor send log preview tasks rip passes print)
  expect_in(TOOL_HELP "  tavolux-cli ${command} ")
endforeach()
expect_in(TOOL_HELP "exit codes: 0 success, 1 the work failed, 2 a usage error")
run(0 --help)
if(NOT OUT STREQUAL TOOL_HELP)
  message(FATAL_ERROR "--help and help differ:\n${OUT}\n---\n${TOOL_HELP}")
endif()

# A command's help: its options; print and passes add the configured print types (index, name,
# resolution, passes) and the mask modes; "COMMAND --help" says the same as "help COMMAND".
foreach(command print passes)
  run(0 help ${command})
  set(HELP "${OUT}")
  expect_in(HELP "usage: tavolux-cli ${command} FILE")
  expect_in(HELP "--mask-mode M")
  expect_in(HELP "  0  720x360 2 pass  720x360 dpi, 2 passes\n")
  expect_in(HELP "  1  720x360 4 pass  720x360 dpi, 4 passes  (configured)\n")
  expect_in(HELP "  4  360x360 2 pass  360x360 dpi, 2 passes\n")
  expect_in(HELP "  2  column interleave")
  run(0 ${command} --help)
  if(NOT OUT STREQUAL HELP)
    message(FATAL_ERROR "${command} --help differs from help ${command}:\n${OUT}")
  endif()
endforeach()
# Another printer of the same file has its own print types.
run(0 config set SYSTEM Printer 1)
run(0 help print)
expect_in(OUT "  2  600x1200 6 pass  600x1200 dpi, 6 passes  (configured)\n")
run(0 config set SYSTEM Printer 0)

run(0 send --help)
expect_in(OUT "  3003  MoveUp\n")
expect_in(OUT "  5001  QueryUvLamp\n")
expect_in(OUT "  3064  (second head-value set")
expect_not_in(OUT "  3014 ")
run(0 help tasks)
expect_in(OUT "usage: tavolux-cli tasks list|save")
expect_not_in(OUT "print types")

# ---- usage errors: the wrong word, then that command's usage and no other
# Each case: the word the message names, the command whose usage follows, the words.
set(usage_cases
  "frob|tasks|tasks,frob"
  "--bogus|preview|preview,a.prn,--bogus,1"
  "--sekonds|monitor|monitor,--sekonds,1"
  "x|monitor|monitor,--seconds,x"
  "encode|log|log,encode,f"
  "frobnicate|config|config,frobnicate"
  "extra|config|config,get,SYSTEM,Printer,extra"
  "2|send|send,3003,1,2"
  "x|tasks|tasks,remove,x"
  "--bogus|print|print,a.prn,--bogus"
  "--bogus|passes|passes,a.prn,--bogus"
  "--bogus|rip|rip,make,a.prn,--bogus")
foreach(c IN LISTS usage_cases)
  string(REPLACE "|" ";" parts "${c}")
  list(GET parts 0 word)
  list(GET parts 1 command)
  list(GET parts 2 words)
  string(REPLACE "," ";" words "${words}")
  run(2 ${words})
  tool_lines("${ERR}" said)
  expect_in(said "“${word}”")
  expect_in(ERR "usage: tavolux-cli ${command} ")
  string(REGEX MATCHALL "usage: tavolux-cli [a-z]+" shown "${ERR}")
  list(REMOVE_DUPLICATES shown)
  if(NOT shown STREQUAL "usage: tavolux-cli ${command}")
    message(FATAL_ERROR "${words}: more than the command's usage:\n${ERR}")
  endif()
endforeach()
run(2 frob)
expect_in(ERR "“frob”")
run(2 help frob)
expect_in(ERR "“frob”")

# ---- exit codes: 0 success, 1 the work failed, 2 usage (the failures below give theirs)
run(1 --printer virtual:instant send FeedMedia)
run(2 --printer virtual:instant send MoveSideways)
run(2)
run(0 --printer virtual:instant send MoveUp)
if(NOT OUT STREQUAL "bytes: 83\nresult: 1\n")
  message(FATAL_ERROR "send MoveUp is not operation 3003:\n${OUT}")
endif()

# ---- one language at a time
# The failure paths of every command and of the virtual printer program run in Chinese and in
# English. In Chinese every line a program says holds Chinese and no English sentence; in English
# nothing is outside ASCII. Each case: the exit code (1 the work failed, 2 a usage error), the
# program (cli or vp), then its words.
run(0 rip make ${WORK}/a.prn --width 64 --height 20 --planes 4 --xres 720 --yres 360)
file(WRITE ${WORK}/short.prn "RIP?")
file(WRITE ${WORK}/notes.txt "not a RIP file")
file(WRITE ${WORK}/plain.sock "")
set(failures
  "2|cli|frob"
  "2|cli|--printer"
  "2|cli|help,frob"
  # config
  "2|cli|config"
  "2|cli|config,frob"
  "1|cli|config,get,SYSTEM,NoSuchKey"
  "1|cli|config,get,NoSuchSection,Printer"
  "2|cli|config,set,SYSTEM,Bad=Key,1"
  "1|lock|config,set,SYSTEM,Printer,0"
  # tasks
  "2|cli|tasks,frob"
  "2|cli|tasks"
  "1|cli|tasks,remove,9"
  "2|cli|tasks,add,${WORK}/missing.prn,--frob"
  "1|tlock|tasks,add,${WORK}/a.prn"
  # preview
  "1|cli|preview,${WORK}/missing.prn,--out,${WORK}/m.png"
  "2|cli|preview,${WORK}/a.prn"
  "1|cli|preview,${WORK}/notes.txt,--out,${WORK}/m.png"
  "1|cli|preview,${WORK}/short.prn,--out,${WORK}/m.png"
  "1|cli|preview,${WORK}/a.prn,--out,${WORK}/no/such/folder/m.png"
  # rip
  "2|cli|rip"
  "1|cli|rip,info,${WORK}/missing.prn"
  "1|cli|rip,info,${WORK}/short.prn"
  "2|cli|rip,make,${WORK}/b.prn,--width"
  "2|cli|rip,make,${WORK}/b.prn,--width,wide"
  "2|cli|rip,make,${WORK}/b.prn,--width,8"
  "2|cli|rip,make,${WORK}/b.prn,--width,8,--height,2,--planes,1,--xres,720,--yres,720,--pattern,frob"
  "1|cli|rip,make,${WORK}/no/such/folder/b.prn,--width,8,--height,2,--planes,1,--xres,720,--yres,720"
  # passes
  "2|cli|passes"
  "1|cli|passes,${WORK}/missing.prn"
  "1|cli|passes,${WORK}/short.prn"
  "2|cli|passes,${WORK}/a.prn,--passes,0"
  "2|cli|passes,${WORK}/a.prn,--mask-mode"
  "2|cli|passes,${WORK}/a.prn,--frob,1"
  "2|cli|passes,${WORK}/a.prn,--print-type,9"
  "1|cli|passes,${WORK}/a.prn,--dump,${WORK}/notes.txt"
  # print
  "2|cli|print"
  "2|cli|print,${WORK}/a.prn,--copies,x"
  "2|cli|print,${WORK}/a.prn,--copies"
  "2|cli|print,${WORK}/a.prn,--task,1"
  "2|cli|print,--task,1,--copies,2"
  "2|cli|print,--task,9"
  "2|cli|print,${WORK}/a.prn,--mask-mode,5"
  "2|cli|print,${WORK}/a.prn,--print-type,-1"
  "2|cli|--printer,frob,print,${WORK}/a.prn"
  "2|cli|--printer,virtual:instant,print,${WORK}/a.prn,--from-line,500"
  "1|cli|--printer,socket:${WORK}/nobody.sock,print,${WORK}/a.prn"
  "2|cli|--printer,socket:${WORK}/nobody.sock,print,${WORK}/a.prn,--media-out,${WORK}/sheet"
  "1|cli|--printer,virtual:instant,print,${WORK}/short.prn"
  # send
  "2|cli|send"
  "2|cli|--printer,virtual:instant,send,999"
  "2|cli|--printer,virtual:instant,send,3062,--data,zz"
  "2|cli|--printer,virtual:instant,send,3062,--data,abc"
  "2|cli|--printer,virtual:instant,send,3062,--data"
  "1|cli|--printer,socket:${WORK}/nobody.sock,send,MoveUp"
  # monitor
  "1|cli|--printer,socket:${WORK}/nobody.sock,monitor,--seconds,1"
  "2|cli|monitor,--seconds"
  "2|cli|--printer,frob,monitor"
  # log
  "1|cli|log,decode,${WORK}/missing.txt"
  "2|cli|log"
  # the virtual printer program
  "2|vp|--frob"
  "2|vp|--instant"
  "1|vp|--socket,${WORK}/no/such/folder/p.sock"
  "1|vp|--socket,${WORK}/plain.sock"
  "1|vp|--socket,${WORK}/nobody.sock,--control,status"
  "1|vp|--socket,${WORK}/vp.sock,--media-out,${WORK}/sheet,--program-dir,${WORK}/no/such/folder")

# Runs one case (in c, "code|program|words") and leaves the output and exit code in OUT, ERR,
# CODE, and the expected code in WANT.
# "lock" and "tlock" run the CLI while the lock file of tavolux.ini or Tasks.dat cannot be taken.
function(run_case c)
  string(REGEX MATCH "^([12])\\|([a-z]+)\\|(.*)$" m "${c}")
  set(kind ${CMAKE_MATCH_2})
  set(words "${CMAKE_MATCH_3}")
  set(WANT ${CMAKE_MATCH_1} PARENT_SCOPE)
  string(REPLACE "," ";" words "${words}")
  set(program ${CLI} --program-dir ${WORK})
  if(kind STREQUAL "vp" AND words MATCHES "--program-dir")
    set(program ${VPRINTER})
  elseif(kind STREQUAL "vp")
    set(program ${VPRINTER} --program-dir ${WORK})
  elseif(kind STREQUAL "lock")
    file(MAKE_DIRECTORY ${WORK}/tavolux.ini.lock)
  elseif(kind STREQUAL "tlock")
    file(MAKE_DIRECTORY ${WORK}/Works/Tasks.dat.lock)
  endif()
  execute_process(COMMAND ${program} ${words} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  file(REMOVE_RECURSE ${WORK}/tavolux.ini.lock ${WORK}/Works/Tasks.dat.lock)
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
  set(CODE "${code}" PARENT_SCOPE)
endfunction()

# Every case runs; the problems are reported together.
set(problems "")
foreach(c IN LISTS failures)
  run_case("${c}")
  tool_lines("${ERR}" said)
  if(NOT CODE EQUAL WANT OR said STREQUAL "")
    string(APPEND problems "${c}: exit ${CODE} without a message\n${OUT}${ERR}\n")
  endif()
  foreach(line IN LISTS said)
    has_bytes("${line}" "e[4-9]" chinese)
    if(NOT chinese OR line MATCHES "[A-Za-z]+ [A-Za-z]+ [A-Za-z]+")
      string(APPEND problems "${c}: not a Chinese message: ${line}\n")
    endif()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "In Chinese:\n${problems}")
endif()
# What a print says when it is done is for people too.
run(0 --printer virtual:instant print ${WORK}/a.prn)
string(REGEX MATCH "[^\n]*\n$" last "${OUT}")
has_bytes("${last}" "e[4-9]" chinese)
if(NOT chinese OR last MATCHES "[A-Za-z]+ [A-Za-z]+ [A-Za-z]+")
  message(FATAL_ERROR "a finished print in English:\n${OUT}")
endif()

file(READ ${WORK}/tavolux.ini ini)
string(REPLACE "\nLanguage=0" "\nLanguage=1" ini "${ini}")
file(WRITE ${WORK}/tavolux.ini "${ini}")
file(COPY ${BIN_DIR}/TxResEng.lang DESTINATION ${WORK})
foreach(c IN LISTS failures)
  if(c MATCHES "program-dir,.*no/such")
    continue()  # no configuration there to choose English
  endif()
  run_case("${c}")
  tool_lines("${ERR}" said)
  if(NOT CODE EQUAL WANT OR said STREQUAL "")
    string(APPEND problems "${c}: exit ${CODE} without a message\n${OUT}${ERR}\n")
  endif()
  has_bytes("${OUT}${ERR}" "[89a-f]" foreign)
  if(foreign)
    string(APPEND problems "${c}: not English:\n${OUT}${ERR}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "In English:\n${problems}")
endif()
run(0 --printer virtual:instant print ${WORK}/a.prn)
has_bytes("${OUT}${ERR}" "[89a-f]" foreign)
if(foreign OR NOT OUT MATCHES "printed 1 of 1 copies\n$")
  message(FATAL_ERROR "a finished print not in English:\n${OUT}${ERR}")
endif()
run(0 tasks list)
expect_in(OUT "No.\tName\tState\tPlanes\tSize (mm)\tResolution (dpi)\t")

# Without the English file the rule keeps Chinese.
file(REMOVE ${WORK}/TxResEng.lang)
run(2 tasks frob)
expect_in(ERR "命令 tasks 不接受“frob”")
