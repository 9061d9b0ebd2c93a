// The window ids of the operator's commands. The toolkit takes menu and window ids only up to
// 32766 and keeps 4999..5999 for its own stock items, while the commands keep the numbers the
// printer's operators know (32778, 57601...). This table is the one place that maps them.
#pragma once

#include <array>
#include <utility>

#include "uimodel/Commands.h"

namespace tavolux::ui {

struct IdPair {
    int core;
    int wx;
};

inline constexpr int kFirstWxId = 20001;

// Every command of the command table, each with a window id of its own.
inline constexpr std::array kIdTable = {
    IdPair{cmd::kOpen, 20001},
    IdPair{cmd::kSaveTasks, 20002},
    IdPair{cmd::kUvLamp, 20003},
    IdPair{cmd::kFrontBeam, 20004},
    IdPair{cmd::kWhiteHead, 20005},
    IdPair{cmd::kSystemSettings, 20006},
    IdPair{cmd::kExit, 20007},
    IdPair{cmd::kToolBar, 20008},
    IdPair{cmd::kSideBar, 20009},
    IdPair{cmd::kStatusBar, 20010},
    IdPair{cmd::kPreviewAuto, 20011},
    IdPair{cmd::kPreviewSource, 20012},
    IdPair{cmd::kPreviewSketch, 20013},
    IdPair{cmd::kPreviewRough, 20014},
    IdPair{cmd::kPrint, 20015},
    IdPair{cmd::kCancel, 20016},
    IdPair{cmd::kReset, 20017},
    IdPair{cmd::kPause, 20018},
    IdPair{cmd::kResume, 20019},
    IdPair{cmd::kHoriTest, 20020},
    IdPair{cmd::kVerticalTest, 20021},
    IdPair{cmd::kStepTest, 20022},
    IdPair{cmd::kBidiTest, 20023},
    IdPair{cmd::kNozzleCheck, 20024},
    IdPair{cmd::kVerticalCheck, 20025},
    IdPair{cmd::kHeadOffsetCheck, 20026},
    IdPair{cmd::kPlatformCheck, 20027},
    IdPair{cmd::kAngleCalibration, 20028},
    IdPair{cmd::kHeadSlantCheck, 20029},
    IdPair{cmd::kExportCali, 20030},
    IdPair{cmd::kImportCali, 20031},
    IdPair{cmd::kStoreCali, 20032},
    IdPair{cmd::kRestoreCali, 20033},
    IdPair{cmd::kFlash, 20034},
    IdPair{cmd::kFlashReturn, 20035},
    IdPair{cmd::kSingleClean, 20036},
    IdPair{cmd::kLogin, 20037},
    IdPair{cmd::kVoltage, 20038},
    IdPair{cmd::kChinese, 20039},
    IdPair{cmd::kEnglish, 20040},
    IdPair{cmd::kHelp, 20041},
    IdPair{cmd::kAbout, 20042},
    IdPair{cmd::kJogUp, 20043},
    IdPair{cmd::kJogDown, 20044},
    IdPair{cmd::kJogLeft, 20045},
    IdPair{cmd::kJogRight, 20046},
    IdPair{cmd::kOptionOrigin, 20047},
    IdPair{cmd::kOptionStrip, 20048},
    IdPair{cmd::kOptionSkipBlank, 20049},
    IdPair{cmd::kOptionAutoFlash, 20050},
    IdPair{cmd::kUnassigned, 20051},
    IdPair{cmd::kBeamRaise, 20052},
    IdPair{cmd::kBeamLower, 20053},
};

constexpr bool IdTableIsSound()
{
    for (size_t i = 0; i < kIdTable.size(); ++i) {
        const IdPair p = kIdTable[i];
        if (p.wx < 1 || p.wx > 32766 || (p.wx >= 4999 && p.wx <= 5999)) {
            return false;
        }
        for (size_t j = i + 1; j < kIdTable.size(); ++j) {
            if (kIdTable[j].wx == p.wx || kIdTable[j].core == p.core) {
                return false;
            }
        }
    }
    return true;
}
static_assert(IdTableIsSound(),
              "window ids must be unique, within 1..32766 and outside the stock ids 4999..5999");

constexpr int kLastWxId = [] {
    int last = 0;
    for (const IdPair& p : kIdTable) {
        last = p.wx > last ? p.wx : last;
    }
    return last;
}();
static_assert(
    [] {
        for (const IdPair& p : kIdTable) {
            if (p.wx < kFirstWxId) {
                return false;
            }
        }
        return true;
    }(),
    "the update handler covers kFirstWxId..kLastWxId");

// The window id of a command, 0 when the command has none.
constexpr int WxIdOf(int core)
{
    for (const IdPair& p : kIdTable) {
        if (p.core == core) {
            return p.wx;
        }
    }
    return 0;
}

// The command of a window id, 0 when the id is no command's.
constexpr int CoreIdOf(int wx)
{
    for (const IdPair& p : kIdTable) {
        if (p.wx == wx) {
            return p.core;
        }
    }
    return 0;
}

}  // namespace tavolux::ui
