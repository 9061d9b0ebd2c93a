# Drives tavolux-cli's print command on a copy of the sample configuration and the in-process
# virtual printer answering at once.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SAMPLE} DESTINATION ${WORK})

function(run expect_code)
  execute_process(COMMAND ${CLI} --program-dir ${WORK} --printer virtual:instant ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL expect_code)
    message(FATAL_ERROR "tavolux-cli ${ARGN}: exit ${code}, expected ${expect_code}\n${out}\n${err}")
  endif()
  set(OUT "${out}" PARENT_SCOPE)
  set(ERR "${err}" PARENT_SCOPE)
endfunction()

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
