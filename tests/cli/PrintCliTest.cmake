# Drives tavolux-cli's print command on a copy of the sample configuration and the in-process
# virtual printer answering at once.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

run(0 rip make ${WORK}/a.prn --width 64 --height 60 --planes 4 --xres 720 --yres 360 --pattern random --seed 3)
run(0 print ${WORK}/a.prn --copies 2)
expect_in(OUT "2(1)")
expect_in(OUT "2(2)")
expect_in(OUT "已打印 2 份，共 2 份")
# Not a terminal: one line per pass, never redrawn in place.
string(FIND "${OUT}" "\r" pos)
if(NOT pos EQUAL -1)
  message(FATAL_ERROR "the progress is redrawn in place in a log:\n${OUT}")
endif()
expect_in(OUT "2(1) [####..........................] 第 1/")
expect_in(OUT "2(2) [####..........................] 第 1/")

# The checks come before anything is sent, with the operator's messages. A saved task prints
# with the settings stored with it, and its row is kept in Tasks.dat. A task number the list
# does not have, or a task with a file or with settings of its own, is a usage error.
run(0 rip make ${WORK}/three.prn --width 64 --height 10 --planes 3 --xres 720 --yres 360)
run_cases(
  "1|print,${WORK}/missing.prn|打印任务中指定的文件不存在"
  "1|print,${WORK}/a.prn,--copies,0|打印份数错数"
  "1|print,${WORK}/three.prn|打印作业的颜色数不等于喷头的颜色数"
  "2|print,${WORK}/a.prn,--mask-mode,7"
  "0|tasks,add,${WORK}/a.prn"
  "0|print,--task,1|1(1),已打印 1 份，共 1 份"
  "0|tasks,list|1	a.prn	就绪	"
  "2|print,--task,0|没有任务 0"
  "2|print,--task,2|没有任务 2"
  "2|print,--task,x"
  "2|print,--task"
  "2|print,${WORK}/a.prn,--task,1|不要同时给出"
  "2|print,--task,1,--copies,2")
file(SIZE ${WORK}/Works/Tasks.dat size)
if(NOT size EQUAL 628)
  message(FATAL_ERROR "Tasks.dat of one task has ${size} bytes")
endif()

# The task's file is gone: the operator's message, and the list is left as it was.
file(RENAME ${WORK}/a.prn ${WORK}/moved.prn)
file(READ ${WORK}/Works/Tasks.dat before HEX)
run(1 print --task 1)
expect_in(ERR "打印任务中指定的文件不存在")
file(READ ${WORK}/Works/Tasks.dat after HEX)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "a refused print changed Tasks.dat")
endif()

# A print type that does not exist is refused with the list of those that do.
foreach(type 9 -1 5)
  run(2 print ${WORK}/moved.prn --print-type ${type})
  expect_in(ERR "打印方式 ${type} 不存在")
  expect_in(ERR "\n  4  360x360 2 pass")
  run(2 passes ${WORK}/moved.prn --print-type ${type})
  expect_in(ERR "打印方式 ${type} 不存在")
endforeach()

# A file at another resolution than the print type's prints only when the operator says so; a
# file shorter than its header names the missing lines (1000 bytes hold 29 of the 60 lines of
# 32 bytes) and prints only when allowed.
run(0 rip make ${WORK}/fine.prn --width 64 --height 60 --planes 4 --xres 720 --yres 600 --pattern random --seed 4)
execute_process(COMMAND head -c 1000 ${WORK}/moved.prn OUTPUT_FILE ${WORK}/short.prn)
run_cases(
  "1|print,${WORK}/fine.prn|720*600,720*360,--force-resolution"
  "1|print,${WORK}/short.prn| 31 , 60 ,--allow-incomplete"
  "0|print,${WORK}/short.prn,--allow-incomplete|已打印 1 份，共 1 份")
run(0 print ${WORK}/fine.prn --force-resolution)
expect_in(ERR "720*600")
expect_in(OUT "已打印 1 份，共 1 份")

# A 48-byte file announcing 2^31 - 1 lines never starts a print, nor a pass listing.
execute_process(COMMAND sh -c "printf '\\000\\000\\000\\000\\320\\002\\000\\000\\150\\001\\000\\000\\010\\000\\000\\000\\377\\377\\377\\177\\100\\000\\000\\000\\000\\000\\000\\000\\004\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000' > '${WORK}/endless.prn'")
file(SIZE ${WORK}/endless.prn size)
if(NOT size EQUAL 48)
  message(FATAL_ERROR "endless.prn has ${size} bytes")
endif()
run(1 print ${WORK}/endless.prn --allow-incomplete)
expect_in(ERR "Height")
expect_in(ERR "2147483647")
run(1 passes ${WORK}/endless.prn)
expect_in(ERR "Height")

# For every print type the passes command lists the passes that a print of the same file sends:
# the pass headers and feeds of the listing, in order, are those of the command log.
run(0 config set SYSTEM IsDebug 1)
set(type 0)
foreach(res 720x360 720x360 720x720 540x360 360x360)
  string(REPLACE "x" ";" xy ${res})
  list(GET xy 0 xres)
  list(GET xy 1 yres)
  run(0 rip make ${WORK}/t${type}.prn --width 96 --height 500 --planes 4 --xres ${xres} --yres ${yres} --pattern blank-margins --seed 5)
  run(0 passes ${WORK}/t${type}.prn --print-type ${type} --dump ${WORK}/dump${type})
  file(STRINGS ${WORK}/dump${type}/passes.csv rows)
  list(REMOVE_AT rows 0)
  set(listed "")
  set(first 1)
  foreach(row IN LISTS rows)
    # pass,step,rows,skipped,handed_over,words,w0..w14
    string(REPLACE "," ";" f "${row}")
    list(GET f 4 handed)
    if(handed EQUAL 0)
      continue()
    endif()
    foreach(n 0 1 2 3 4 5 6 8 12)
      math(EXPR at "${n} + 6")
      list(GET f ${at} w${n})
    endforeach()
    if(first)
      math(EXPR v "${w0} + ${w3}")
      string(APPEND listed "SetPassOffset ${v}\n")
      set(first 0)
    endif()
    if(NOT w5 EQUAL 0)
      string(APPEND listed "SetPassOffset ${w4}\n")
    endif()
    if(NOT w8 EQUAL 0)
      set(move PassForward)
      if(w12 EQUAL 0)
        set(move PassBackward)
      endif()
      string(APPEND listed "PassDataStart ${w2}\nPassWidth ${w1}\n${move} ${w8}\nSetPassOffset ${w6}\n")
    endif()
  endforeach()
  file(REMOVE ${WORK}/Command.txt)
  run(0 print ${WORK}/t${type}.prn --print-type ${type})
  run(0 log decode ${WORK}/Command.txt)
  string(FIND "${OUT}" "BeginJob" at)
  string(SUBSTRING "${OUT}" ${at} -1 job)
  string(REGEX MATCHALL "(SetPassOffset|PassDataStart|PassWidth|PassForward|PassBackward)( \\[[0-9]+\\])? argument -?[0-9]+" commands "${job}")
  set(sent "")
  foreach(command IN LISTS commands)
    string(REGEX REPLACE "^([A-Za-z]+)( \\[[0-9]+\\])? argument (-?[0-9]+)$" "\\1 \\3" command "${command}")
    string(APPEND sent "${command}\n")
  endforeach()
  string(REGEX MATCHALL "PassDataStart" headers "${listed}")
  list(LENGTH headers count)
  if(NOT listed STREQUAL sent OR count LESS 2)
    message(FATAL_ERROR "print type ${type}: passes lists\n${listed}\nthe print sent\n${sent}")
  endif()
  math(EXPR type "${type} + 1")
endforeach()
run(0 config set SYSTEM IsDebug 0)

# Ctrl+C on a print of a file offers the command that prints the rest; that command prints
# exactly the lines the stopped print left, so the two sheets together hold the image once.
run(0 rip make ${WORK}/r.prn --width 64 --height 600 --planes 4 --xres 720 --yres 360 --pattern random --seed 6)
execute_process(COMMAND sh -c "\"${CLI}\" --program-dir '${WORK}' --printer virtual print '${WORK}/r.prn' --print-type 1 --media-out '${WORK}/r1' >'${WORK}/r1.log' 2>'${WORK}/r1.err' & pid=$!
i=0; while ! grep -q '第 8/' '${WORK}/r1.log' && [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done
kill -INT $pid; wait $pid"
  RESULT_VARIABLE code TIMEOUT 120)
file(READ ${WORK}/r1.err err)
if(NOT code EQUAL 1)
  message(FATAL_ERROR "a print stopped by Ctrl+C: exit ${code}\n${err}")
endif()
string(REGEX MATCH "\n  tavolux-cli ([^\n]*--from-line ([0-9]+))\n" m "${err}")
set(rest ${CMAKE_MATCH_1})
set(stop ${CMAKE_MATCH_2})
if(NOT m OR stop LESS 1 OR NOT stop LESS 600)
  message(FATAL_ERROR "no command to print the rest from a line inside the image:\n${err}")
endif()
expect_in(err "打印停止于第 ${stop} 行")
separate_arguments(rest_args UNIX_COMMAND "${rest}")
execute_process(COMMAND ${CLI} ${rest_args} --media-out ${WORK}/r2
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the offered command failed: exit ${code}\n${out}\n${err}")
endif()
math(EXPR left "600 - ${stop}")
foreach(part "r1;0;${stop}" "r2;${stop};${left}")
  list(GET part 0 dir)
  list(TRANSFORM part PREPEND ${WORK}/ AT 0)
  execute_process(COMMAND ${SHEET_COVER} ${WORK}/r.prn ${part} RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "sheet ${dir} does not hold its lines (${part}):\n${err}")
  endif()
endforeach()
run(2 print ${WORK}/r.prn --from-line 600)
run(2 print ${WORK}/r.prn --from-line -1)

# The sample printer's print types whose pass count divides the head's rows, the interlaced
# 720x720 one included, put every image pixel onto the sheet exactly once: the sheet, line for
# line, is the image. The 3-pass 540x360 type does not divide the 256 rows (nor 241, less its
# feathered seam): no pixel is missed and none lands beside the ink, while the lines under a
# fourth nozzle may get a second drop, which the sheet's bitmap does not show. The sample printer
# has no step corrections: the virtual printer feeds exactly what it is sent.
foreach(case "0;720;360" "1;720;360" "2;720;720" "3;540;360" "4;360;360")
  list(GET case 0 type)
  list(GET case 1 xres)
  list(GET case 2 yres)
  run(0 rip make ${WORK}/t${type}.prn --width 704 --height 300 --planes 4 --xres ${xres}
      --yres ${yres} --pattern random --seed ${type})
  run(0 print ${WORK}/t${type}.prn --print-type ${type}
      --media-out ${WORK}/t${type})
  execute_process(COMMAND ${SHEET_COVER} ${WORK}/t${type}.prn ${WORK}/t${type} 0 300
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "print type ${type}: the sheet is not the image:\n${err}")
  endif()
endforeach()
