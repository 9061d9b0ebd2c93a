# Drives tavolux-cli's print command on a copy of the sample configuration and the in-process
# virtual printer answering at once.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

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

# A saved task prints with the settings stored with it; its row is kept in Tasks.dat.
run(0 tasks add ${WORK}/a.prn)
run(0 print --task 1)
expect_in(OUT "1(1)")
expect_in(OUT "printed 1 of 1 copies")
run(0 tasks list)
expect_in(OUT "1\ta.prn\t就绪\t")
file(SIZE ${WORK}/Works/Tasks.dat size)
if(NOT size EQUAL 628)
  message(FATAL_ERROR "Tasks.dat of one task has ${size} bytes")
endif()

# A task number the list does not have, or a task with a file or with settings of its own.
run(2 print --task 0)
expect_in(ERR "no task 0")
run(2 print --task 2)
expect_in(ERR "no task 2")
run(2 print --task x)
run(2 print --task)
run(2 print ${WORK}/a.prn --task 1)
expect_in(ERR "not both")
run(2 print --task 1 --copies 2)

# The task's file is gone: the operator's message, and the list is left as it was.
file(RENAME ${WORK}/a.prn ${WORK}/moved.prn)
file(READ ${WORK}/Works/Tasks.dat before HEX)
run(1 print --task 1)
expect_in(ERR "打印任务中指定的文件不存在")
file(READ ${WORK}/Works/Tasks.dat after HEX)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "a refused print changed Tasks.dat")
endif()
