# Drives tavolux-cli's chart command on a copy of the sample configuration, with the glyph files
# the build rendered, on the in-process virtual printer answering at once.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)
file(COPY ${GLYPHS}/DiGi.bin ${GLYPHS}/ZiMo.bin DESTINATION ${WORK})

# The charts of the configured printer (staggered head pairs) and of a standard one.
run(0 chart list)
expect_line("nozzle-check  6  2  staggered")
expect_line("head-offset  9  3  staggered")
expect_line("platform-check  8  1  standard")
expect_line("head-slant  16  1  staggered")
run(0 chart nozzle-check --dry-run)
expect_line("第 0 遍：走纸 296 行（3946 步）；各通道画出的行数：0:128 1:128 2:128 3:128")
expect_line("第 1 遍：走纸 0 行（0 步）；各通道画出的行数：0:128 1:128 2:128 3:128")
# The head slant chart: one pass, printed once per slant parameter.
run(0 chart head-slant --dry-run)
expect_line("第 0 遍：走纸 0 行（0 步）；各通道画出的行数：0:256 1:256 2:256 3:256")
expect_line("此测试图按每个倾斜参数（900, 600）各打印一次，前后相隔 296 行（3946 步）。")

run_cases(
  "0|chart,nozzle-check,--media-out,${WORK}/sheet|测试图 nozzle-check 已打印,sheet.png"
  "0|chart,head-offset|测试图 head-offset 已打印"
  "0|chart,head-slant|测试图 head-slant 已打印"
  "2|chart,no-such-chart|没有名为 no-such-chart 的测试图"
  "2|chart,nozzle-check,--pass-mode,6|--pass-mode 必须是 ToTalPassList 中的一项，0 到 5"
  "2|chart,nozzle-check,--speed,x"
  "2|chart")
if(NOT EXISTS ${WORK}/sheet/sheet.png)
  message(FATAL_ERROR "the chart's sheet was not written")
endif()

# A short glyph file is reported before the printer is reached; nothing is printed.
file(WRITE ${WORK}/ZiMo.bin "short")
run(1 chart nozzle-check)
expect_in(ERR "测试图字模文件 ${WORK}/ZiMo.bin 不完整")
file(REMOVE ${WORK}/DiGi.bin)
run(1 chart head-offset)
expect_in(ERR "测试图字模文件 ${WORK}/DiGi.bin 不存在")
