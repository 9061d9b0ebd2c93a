# Prints onto the virtual printer's sheet: in process with --media-out, and through the
# virtual printer program's socket with its own --media-out.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

# Prints through the virtual printer program on socket sock, which writes its own sheet into
# folder sheet when the printing program lets go; vp_words go to the program, print_words to print.
function(print_through_program sock sheet vp_words print_words)
  execute_process(COMMAND sh -c "\"${VPRINTER}\" --socket '${WORK}/${sock}' --instant --media-out '${WORK}/${sheet}' ${vp_words} --program-dir '${WORK}' </dev/null >'${WORK}/${sock}.log' 2>&1 & vp=$!
i=0; while [ ! -S '${WORK}/${sock}' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
\"${CLI}\" --program-dir '${WORK}' --printer 'socket:${WORK}/${sock}' print ${print_words}; rc=$?
i=0; while [ ! -f '${WORK}/${sheet}/summary.json' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
kill $vp; wait $vp; exit $rc"
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "printing through the program (${sheet}): exit ${code}\n${out}\n${err}")
  endif()
endfunction()

# Every channel of the summary: some pixels with one drop, none with more.
function(expect_every_pixel_once summary_file channels)
  file(READ ${summary_file} summary)
  string(REGEX MATCHALL "\"pixels_once\": [0-9]+, \"pixels_more\": [0-9]+" counts "${summary}")
  list(LENGTH counts n)
  if(NOT n EQUAL channels)
    message(FATAL_ERROR "expected ${channels} channels in:\n${summary}")
  endif()
  foreach(c IN LISTS counts)
    if(c MATCHES "\"pixels_once\": 0," OR NOT c MATCHES "\"pixels_more\": 0$")
      message(FATAL_ERROR "a channel is not printed exactly once: ${c}\n${summary}")
    endif()
  endforeach()
endfunction()

run(0 rip make ${WORK}/s.prn --width 160 --height 96 --planes 4 --xres 720 --yres 360 --pattern sample)
# (That the channels' bitmaps are the image is checked by the print test's sheet cover.)
run(0 print ${WORK}/s.prn --media-out ${WORK}/sheet)
expect_in(OUT "纸样：${WORK}/sheet/sheet.png")
if(NOT EXISTS ${WORK}/sheet/sheet.png)
  message(FATAL_ERROR "sheet.png was not written")
endif()
expect_every_pixel_once(${WORK}/sheet/summary.json 4)

# Only a virtual printer has a sheet.
execute_process(COMMAND ${CLI} --program-dir ${WORK} --printer socket:${WORK}/none.sock
  print ${WORK}/s.prn --media-out ${WORK}/x
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 2)
  message(FATAL_ERROR "--media-out on a socket printer: exit ${code}\n${out}\n${err}")
endif()
expect_in(err "--media-out 需要 --printer virtual")

# The virtual printer program writes its own sheet when the printing program lets go.
print_through_program(vp.sock vsheet "" "'${WORK}/s.prn'")
expect_every_pixel_once(${WORK}/vsheet/summary.json 4)

# Without a configuration the program refuses --media-out and says why.
execute_process(COMMAND ${VPRINTER} --socket ${WORK}/vp2.sock --media-out ${WORK}/y
  --program-dir ${WORK}/nowhere
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 1)
  message(FATAL_ERROR "--media-out without tavolux.ini: exit ${code}\n${out}\n${err}")
endif()
expect_in(err "${WORK}/nowhere/tavolux.ini")

# A printer that stops answering in the middle of a job: Ctrl+C ends the print within a few
# seconds, with a failure. "hang" makes the virtual printer read nothing more after the next
# raster write; "hung" says how many connections it holds that way.
execute_process(COMMAND sh -c "\"${VPRINTER}\" --socket '${WORK}/hang.sock' --instant --program-dir '${WORK}' </dev/null >'${WORK}/hang.log' 2>&1 & vp=$!
i=0; while [ ! -S '${WORK}/hang.sock' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
\"${VPRINTER}\" --socket '${WORK}/hang.sock' --control hang >/dev/null || { kill $vp; exit 90; }
\"${CLI}\" --program-dir '${WORK}' --printer 'socket:${WORK}/hang.sock' print '${WORK}/s.prn' >'${WORK}/hang.out' 2>&1 & cli=$!
i=0; while [ \"$(\"${VPRINTER}\" --socket '${WORK}/hang.sock' --control hung)\" != 1 ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
[ $i -lt 300 ] || { kill -9 $cli; kill $vp; exit 91; }
kill -INT $cli
i=0; while kill -0 $cli 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
if kill -0 $cli 2>/dev/null; then kill -9 $cli; wait $cli; kill $vp; wait $vp; exit 92; fi
wait $cli; rc=$?
kill $vp; wait $vp; exit $rc"
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
file(READ ${WORK}/hang.out hang_out)
if(code EQUAL 90 OR code EQUAL 91)
  message(FATAL_ERROR "the virtual printer did not hang on the job (${code})\n${hang_out}")
elseif(code EQUAL 92)
  message(FATAL_ERROR "Ctrl+C did not end the print within 30 s\n${hang_out}")
elseif(NOT code EQUAL 1)
  message(FATAL_ERROR "Ctrl+C on a hung print: exit ${code}, expected 1\n${hang_out}")
endif()
expect_in(hang_out "打印机没有及时停止")

# The program's own words: help and version on standard output, a wrong word is a usage error.
foreach(word --help --version)
  execute_process(COMMAND ${VPRINTER} ${word} RESULT_VARIABLE code OUTPUT_VARIABLE out
    ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL 0 OR NOT out MATCHES "^(usage: tavolux-vprinter|tavolux-vprinter [0-9]+[.][0-9]+)")
    message(FATAL_ERROR "tavolux-vprinter ${word}: exit ${code}\n${out}\n${err}")
  endif()
endforeach()
execute_process(COMMAND ${VPRINTER} --socket ${WORK}/x.sock --sideways RESULT_VARIABLE code
  OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 2 OR NOT err MATCHES "--sideways")
  message(FATAL_ERROR "tavolux-vprinter --sideways: exit ${code}\n${err}")
endif()

# --socket takes only a free path or a stale socket: a file, or a socket a printer listens on,
# is refused with a message in the configured language and left as it is.
file(WRITE ${WORK}/taken "keep me")
# The message holds text and nothing of the other language (the word "socket" in it).
function(expect_refused path text other)
  execute_process(COMMAND ${VPRINTER} --socket ${path} --program-dir ${WORK}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL 1)
    message(FATAL_ERROR "--socket ${path}: exit ${code}, expected 1\n${out}\n${err}")
  endif()
  expect_in(err "${text}")
  string(FIND "${err}" "${other}" pos)
  if(NOT pos EQUAL -1)
    message(FATAL_ERROR "--socket ${path}: \"${other}\" in the other language's message:\n${err}")
  endif()
endfunction()
execute_process(COMMAND sh -c "\"${VPRINTER}\" --socket '${WORK}/live.sock' --program-dir '${WORK}' </dev/null >/dev/null 2>&1 & echo $!"
  OUTPUT_VARIABLE live_pid OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND sh -c "i=0; while [ ! -S '${WORK}/live.sock' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done")
expect_refused(${WORK}/taken "不是套接字" "socket")
expect_refused(${WORK}/live.sock "另一个虚拟打印机正在此套接字上监听" "socket")
file(COPY ${ENGLISH} DESTINATION ${WORK})
file(READ ${WORK}/tavolux.ini ini)
string(REGEX REPLACE "\nLanguage=[0-9]+" "\nLanguage=1" ini "${ini}")
file(WRITE ${WORK}/tavolux.ini "${ini}")
expect_refused(${WORK}/taken "${WORK}/taken exists and is not a socket" "套接字")
expect_refused(${WORK}/live.sock "another virtual printer is listening on this socket" "套接字")
file(READ ${WORK}/taken kept)
# The first printer still serves its socket.
execute_process(COMMAND ${VPRINTER} --socket ${WORK}/live.sock --control status
  RESULT_VARIABLE code OUTPUT_VARIABLE status TIMEOUT 60)
execute_process(COMMAND kill ${live_pid})
if(NOT kept STREQUAL "keep me" OR NOT code EQUAL 0 OR NOT status MATCHES "^plugged")
  message(FATAL_ERROR "a refused server touched what was there: \"${kept}\", ${code} ${status}")
endif()

# Started in the background of an interactive shell (job control on, standard input the
# terminal), the virtual printer keeps serving: it does not read the terminal, which would stop
# it. `script` gives the shell a terminal.
find_program(SCRIPT script REQUIRED)
execute_process(COMMAND ${SCRIPT} -qec "sh -c 'set -m
\"${VPRINTER}\" --socket \"${WORK}/tty.sock\" --program-dir \"${WORK}\" >/dev/null 2>&1 & vp=$!
i=0; while [ ! -S \"${WORK}/tty.sock\" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
rc=0; for n in 1 2 3 4 5; do \"${VPRINTER}\" --socket \"${WORK}/tty.sock\" --control status >/dev/null || rc=1; sleep 0.2; done
kill $vp; kill -CONT $vp; exit $rc'" /dev/null
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the virtual printer in the background of a terminal stopped answering (${code})\n${out}\n${err}")
endif()

# An interlaced job: 720x720 on the sample's heads of 360 nozzle rows per inch puts the nozzles
# two lines apart. The print type has 4 passes, which divide the head's 256 rows. Without
# masks every inked pixel gets one drop from each of the 4 passes over its line; with pass masks
# or column interleave exactly one, on the same pixels.
run(0 rip make ${WORK}/i.prn --width 200 --height 300 --planes 4 --xres 720 --yres 720 --pattern random)
function(channel_counts summary_file out_var)
  file(READ ${summary_file} summary)
  if(NOT summary MATCHES "\"y_resolution\": 720")
    message(FATAL_ERROR "the sheet is not 720 lines per inch:\n${summary}")
  endif()
  string(REGEX MATCHALL "\"drops\": [0-9]+, \"pixels_once\": [0-9]+, \"pixels_more\": [0-9]+"
    counts "${summary}")
  set(${out_var} "${counts}" PARENT_SCOPE)
endfunction()
run(0 print ${WORK}/i.prn --print-type 2 --mask-mode 0 --media-out ${WORK}/i0)
channel_counts(${WORK}/i0/summary.json unmasked)
set(inked "")
foreach(c IN LISTS unmasked)
  string(REGEX MATCH "\"drops\": ([0-9]+), \"pixels_once\": ([0-9]+), \"pixels_more\": ([0-9]+)" m "${c}")
  math(EXPR four "4 * ${CMAKE_MATCH_3}")
  if(NOT CMAKE_MATCH_2 EQUAL 0 OR NOT CMAKE_MATCH_1 EQUAL four OR CMAKE_MATCH_3 EQUAL 0)
    message(FATAL_ERROR "without masks an inked pixel does not get 4 drops: ${c}")
  endif()
  list(APPEND inked ${CMAKE_MATCH_3})
endforeach()
# Every channel of the sheet holds each inked pixel (as counted without masks) once, no more.
function(expect_inked_once summary_file what)
  channel_counts(${summary_file} counts)
  foreach(i RANGE 3)
    list(GET counts ${i} c)
    list(GET inked ${i} want)
    if(NOT c MATCHES "\"pixels_once\": ${want}, \"pixels_more\": 0")
      message(FATAL_ERROR "${what}: channel ${i} should print ${want} pixels once: ${c}")
    endif()
  endforeach()
endfunction()
foreach(mode 1 2)
  run(0 print ${WORK}/i.prn --print-type 2 --mask-mode ${mode} --media-out ${WORK}/i${mode})
  expect_every_pixel_once(${WORK}/i${mode}/summary.json 4)
  expect_inked_once(${WORK}/i${mode}/summary.json "mask mode ${mode}")
endforeach()

# The virtual printer program learns no vertical resolution from the wire: --yres gives it, so
# that its own sheet of the interlaced job holds the same pixels once as the in-process one.
print_through_program(iv.sock iv "--yres 720" "'${WORK}/i.prn' --print-type 2 --mask-mode 1")
expect_inked_once(${WORK}/iv/summary.json "the program's sheet")
