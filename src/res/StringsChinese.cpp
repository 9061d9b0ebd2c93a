// The built-in Chinese texts, keyed by resource id.
#include "res/StringTable.h"
#include "res/StringIds.h"

namespace tavolux {

const std::vector<std::pair<int, std::string_view>>& ChineseStrings()
{
    using namespace ids;
    static const std::vector<std::pair<int, std::string_view>> table = {
        {kOriginPrint, "原点打印"},
        {kColorStrip, "色条"},
        {kCaliTooLong, "校准参数超长，保存失败！"},
        {kSkipBlank, "跳白"},
        {kAutoFlash, "自动闪喷"},
        {kFolderPrint, "打印"},
        {kItemPrint, "打印"},
        {kItemCancel, "取消"},
        {kItemReset, "复位"},
        {kFolderTest, "测试"},
        {kItemHoriTest, "水平测试"},
        {kItemVerCheck, "垂直检查"},
        {kItemBidiTest, "双向测试"},
        {kItemStepTest, "步进测试"},
        {kStateCaption, "当前状态"},
        {kUvStateFailed, "获取UV灯状态失败"},
        {kCaliReadFailed, "从机器读取校准参数失败！"},
        {kItemPause, "暂停"},
        {kItemResume, "继续"},
        {kTaskReady, "就绪"},
        {kTaskPrinting, "打印"},
        {kTaskSuspended, "挂起"},
        {kStateOffline, "未联机"},
        {kStateReady, "就绪"},
        {kStateMoving, "移动"},
        {kStateMeasuring, "测料"},
        {kStateFlushing, "冲洗"},
        {kStateFlash, "闪喷"},
        {kStatePrinting, "打印"},
        {kStatePaused, "暂停"},
        {kFunctionInvalid, "功能无效"},
        {kAskOverwriteCali, "该操作会覆盖用户当前设定的校准参数,继续吗?"},
        {kJobTooWide, "打印作业的宽度越界 ！"},
        {kItemNozzleState, "喷孔状态"},
        {kItemHeadSkew, "喷头偏斜"},
        {kItemPlatformLevel, "平台水平"},
        {kItemAngleTest, "角度测试"},
        {kBeamRaised, "抬起"},
        {kBeamLowered, "落下"},
        {kBeamUnknown, "未知"},
        {kBeamInitial, "初始"},
        {kBeamLowerFirst, "请首先使前压梁处于落下状态后再进行调整并定位"},
        {kFolderBeam, "前压梁控制"},
        {kItemBeamRaise, "抬起"},
        {kItemBeamLower, "落下"},
        {kItemBeamSettings, "设置"},
        {kRipOpenError, "打开Rip文件错误"},
        {kRipHeaderError, "Rip文件头错误"},
        {kRipHeaderAbsurd, "Rip文件头的尺寸无效"},
        {kMaskWrong, "生成的蒙板不正确！"},
        {kConfigOpenError, "打开配置文件错误！  "},
        {kPreviewThreadSplit, "缓冲区大小不能被线程数整除"},
        {kLoadTasksError, "装载打印任务错误"},
        {kSaveTasksError, "任务保存出错！"},
        {kTaskPathTooLong, "文件路径太长，无法保存到任务列表："},
        {kSelectJobFirst, "请先选择一个打印作业 ！"},
        {kJobFileMissing, "打印任务中指定的文件不存在！原文件可能已经被删除或更改名称！"},
        {kBadCopies, "打印份数错数 ！"},
        {kBlankAndStrip, "不能同时选择跳白功能和加色条功能 ！"},
        {kColourCountMismatch, "打印作业的颜色数不等于喷头的颜色数 ！"},
        {kMeasureNoReply, "测料错误,没有返回值"},
    };
    return table;
}

}  // namespace tavolux
