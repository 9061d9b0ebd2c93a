# Drives tavolux-cli's preview and tasks commands on a copy of the sample configuration.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

execute_process(COMMAND ${MAKE_RIP} ${WORK}/poster.v2.prn 6 120 13 RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "make_rip failed")
endif()

# Preview: 104 pixels by 120 lines at 720 dpi, zoomed into 800 x 600 with stride 2.
run_cases("0|preview,${WORK}/poster.v2.prn,--mode,2,--out,${WORK}/p.png|planes = 6\n,stride = 2\n,steps = 9 * 9\n,preview = 11 * 13\n")
file(READ ${WORK}/p.png signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "p.png is no PNG: ${signature}")
endif()
file(WRITE ${WORK}/short.prn "too short")
run_cases(
  "2|preview,${WORK}/poster.v2.prn,--mode,3,--out,${WORK}/p.png"
  "2|preview,${WORK}/poster.v2.prn"
  "1|preview,${WORK}/missing.prn,--out,${WORK}/q.png|打开Rip文件错误"
  "1|preview,${WORK}/short.prn,--out,${WORK}/q.png|Rip文件头错误")

# Tasks: add twice, list, remove the first, list again.
# The list starts with a header row that names the units.
run(0 tasks list)
if(NOT OUT MATCHES "^序号\t名称\t状态\t颜色数\t尺寸（毫米）\t分辨率（点/英寸）\t[^\n]*\t剩余时间（时:分:秒）\t份数\n$")
  message(FATAL_ERROR "a new program folder lists the header row alone:\n${OUT}")
endif()
run(0 tasks add ${WORK}/poster.v2.prn)
expect_in(OUT "added\t1\tposter.v2.prn\t就绪\t6\t")
run(0 tasks add ${WORK}/poster.v2.prn --mode 4)
run(0 tasks list)
if(NOT OUT MATCHES "^序号\t[^\n]*\n1\tposter.v2.prn\t就绪\t6\t")
  message(FATAL_ERROR "the header row does not come first:\n${OUT}")
endif()
expect_in(OUT "1\tposter.v2.prn\t就绪\t6\t")
expect_in(OUT "2\tposter.v2.prn\t就绪\t6\t")
file(GLOB thumbnails ${WORK}/Works/poster*.BMP)
list(LENGTH thumbnails count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "expected two thumbnails, found: ${thumbnails}")
endif()
file(SIZE ${WORK}/Works/Tasks.dat size)
if(NOT size EQUAL 1252)
  message(FATAL_ERROR "Tasks.dat of two tasks has ${size} bytes")
endif()
run(0 tasks remove 1)
expect_in(OUT "removed\t1")
run(0 tasks list)
expect_in(OUT "1\tposter.v2.prn")
string(FIND "${OUT}" "2\tposter" second)
if(NOT second EQUAL -1)
  message(FATAL_ERROR "the removed task is still listed:\n${OUT}")
endif()
file(GLOB thumbnails ${WORK}/Works/poster*.BMP)
list(LENGTH thumbnails count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "the removed task's thumbnail remains: ${thumbnails}")
endif()
run_cases("0|tasks,save" "1|tasks,remove,5" "2|tasks,remove,x" "2|tasks,frobnicate"
  "1|tasks,add,${WORK}/missing.prn")

# Two programs adding at the same time: no task lost, no picture without its task.
file(REMOVE_RECURSE ${WORK}/Works)
foreach(round RANGE 1 8)
  # The commands run at once as one pipeline; each writes to /dev/null, so none is cut off
  # by a neighbour that ends first.
  execute_process(
    COMMAND sh -c "exec \"$0\" --program-dir \"$1\" tasks add \"$1\"/poster.v2.prn > /dev/null" ${CLI} ${WORK}
    COMMAND sh -c "exec \"$0\" --program-dir \"$1\" tasks add \"$1\"/poster.v2.prn > /dev/null" ${CLI} ${WORK}
    RESULTS_VARIABLE codes OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 120)
  if(NOT codes STREQUAL "0;0")
    message(FATAL_ERROR "round ${round}: exit codes ${codes}\n${err}")
  endif()
  math(EXPR expected "2 * ${round}")
  file(SIZE ${WORK}/Works/Tasks.dat size)
  math(EXPR count "(${size} - 4) / 624")
  file(GLOB thumbnails ${WORK}/Works/poster*.BMP)
  list(LENGTH thumbnails pictures)
  if(NOT count EQUAL expected OR NOT pictures EQUAL expected)
    message(FATAL_ERROR "round ${round}: ${count} tasks and ${pictures} pictures, expected ${expected}")
  endif()
endforeach()

# A FIFO where the list belongs is refused at once, not read until someone writes to it.
file(REMOVE ${WORK}/Works/Tasks.dat)
execute_process(COMMAND mkfifo ${WORK}/Works/Tasks.dat)
run(1 tasks list)
expect_in(ERR "不是普通文件")
file(REMOVE ${WORK}/Works/Tasks.dat)

# A damaged Tasks.dat: the whole records load, the operator is told.
file(WRITE ${WORK}/Works/Tasks.dat "\x07")
run(1 tasks list)
expect_in(ERR "装载打印任务错误")
