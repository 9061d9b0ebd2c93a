# Drives tavolux-cli's print command on a copy of the sample configuration and the in-process
# virtual printer answering at once.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

function(expect_in var text)
  string(FIND "${${var}}" "${text}" pos)
  if(pos EQUAL -1)
    message(FATAL_ERROR "expected \"${text}\" in:\n${${var}}")
  endif()
endfunction()

run(0 rip make ${WORK}/a.prn --width 64 --height 60 --planes 4 --xres 720 --yres 600 --pattern random --seed 3)
run(0 print ${WORK}/a.prn --copies 2)
expect_in(OUT "2(1)")
expect_in(OUT "2(2)")
expect_in(OUT "printed 2 of 2 copies")

# The checks come before anything is sent, with the operator's messages.
run(1 print ${WORK}/missing.prn)
expect_in(ERR "打印任务中指定的文件不存在")
run(1 print ${WORK}/a.prn --copies 0)
expect_in(ERR "打印份数错数")
run(0 rip make ${WORK}/three.prn --width 64 --height 10 --planes 3 --xres 720 --yres 600)
run(1 print ${WORK}/three.prn)
expect_in(ERR "打印作业的颜色数不等于喷头的颜色数")
run(2 print ${WORK}/a.prn --mask-mode 7)
