// The configuration field table and the reading, writing and checking that every field shares.
#include "config/ConfigFields.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "config/IniFile.h"
#include "platform/NumberText.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

template <auto Member>
FieldValue System(CPrinterConfig& c)
{
    return &(c.*Member);
}
template <auto Member>
FieldValue Lists(CPrinterConfig& c)
{
    return &(c.lists.*Member);
}
template <auto Member>
FieldValue Params(CPrinterConfig& c)
{
    return &(c.params.*Member);
}

using PC = CPrinterConfig;
using PL = CParamLists;
using PP = CPrinterParams;

constexpr FieldSection kSys = FieldSection::System;
constexpr FieldSection kSysList = FieldSection::SystemList;
constexpr FieldSection kPrinter = FieldSection::Printer;
constexpr FieldSection kList = FieldSection::PrinterList;
constexpr FieldSection kNone = FieldSection::None;
constexpr FieldRole kSystem = FieldRole::System;
constexpr FieldRole kChoice = FieldRole::Choice;
constexpr FieldRole kPrinterType = FieldRole::PrinterType;
constexpr FieldRole kOperator = FieldRole::Operator;
constexpr FieldRole kCalibration = FieldRole::Calibration;
constexpr FieldRole kDerived = FieldRole::Derived;

// In the order of the model. `save` numbers the keys of each save (SYSTEM; SaveConfig's operator
// and calibration keys; SavePrinterType's keys and lists) in the order they are written, which
// is the order new keys are appended to a file that lacks them.
// clang-format off
const ConfigField kFields[] = {
    {.name = "TestDir", .section = kNone, .role = kDerived, .type = FieldType::Path,
     .at = System<&PC::TestDir>},
    {.name = "LanguageList", .section = kSysList, .role = kSystem, .type = FieldType::TextList,
     .at = System<&PC::LanguageList>, .io = FieldIo::ReadOnly},
    {.name = "PrinterList", .section = kSysList, .role = kSystem, .type = FieldType::TextList,
     .at = System<&PC::PrinterList>, .io = FieldIo::ReadOnly},
    {.name = "Language", .section = kSys, .role = kSystem, .at = System<&PC::Language>, .save = 1,
     .min = 0, .choices = "LanguageList"},
    {.name = "Printer", .section = kSys, .role = kSystem, .at = System<&PC::Printer>, .save = 2,
     .min = 0, .choices = "PrinterList"},
    {.name = "IsDebug", .section = kSys, .role = kSystem, .at = System<&PC::IsDebug>, .save = 3,
     .min = 0, .max = 1},
    {.name = "IsZoom", .section = kSys, .role = kSystem, .at = System<&PC::IsZoom>, .save = 4,
     .min = 0, .max = 1},
    {.name = "IsAutoMaskGen", .section = kSys, .role = kSystem, .at = System<&PC::IsAutoMaskGen>,
     .save = 5, .min = 0, .max = 1},
    {.name = "UsbVendorId", .section = kSys, .role = kSystem, .type = FieldType::UsbId,
     .at = System<&PC::UsbVendorId>, .missing = kDefaultUsbVendorId, .min = 0, .max = 0xFFFF,
     .io = FieldIo::ReadOnly},
    {.name = "UsbProductId", .section = kSys, .role = kSystem, .type = FieldType::UsbId,
     .at = System<&PC::UsbProductId>, .missing = kDefaultUsbProductId, .min = 0, .max = 0xFFFF,
     .io = FieldIo::ReadOnly},
    {.name = "ResolutionList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::ResolutionList>, .save = 24},
    {.name = "SpeedList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::SpeedList>, .save = 25, .io = FieldIo::WriteOnly},
    {.name = "SpeedDisplayList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::SpeedDisplayList>, .io = FieldIo::ReadOnly},
    {.name = "PassList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::PassList>, .save = 26},
    {.name = "DirectionList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::DirectionList>, .io = FieldIo::ReadOnly},
    {.name = "StripPosList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::StripPosList>, .io = FieldIo::ReadOnly},
    {.name = "StripWidthList", .section = kList, .role = kChoice, .type = FieldType::IntList,
     .at = Lists<&PL::StripWidthList>, .save = 27},
    {.name = "ToTalPassList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::ToTalPassList>, .save = 38},
    {.name = "PrintTypeDisplayList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::PrintTypeDisplayList>, .save = 35},
    {.name = "PrintTypeParamList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::PrintTypeParamList>, .save = 36},
    {.name = "HoriPrintResolutionList", .section = kList, .role = kChoice,
     .type = FieldType::TextList, .at = Lists<&PL::HoriPrintResolutionList>, .save = 37},
    {.name = "TotalSpeedList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::TotalSpeedList>, .save = 39, .fileKey = "ToTalSpeedList"},
    {.name = "OriginPrintStyleList", .section = kList, .role = kChoice, .type = FieldType::TextList,
     .at = Lists<&PL::OriginPrintStyleList>, .io = FieldIo::ReadOnly},
    {.name = "PrintTypeID", .section = kPrinter, .role = kOperator, .at = Params<&PP::PrintTypeID>,
     .save = 25, .min = 0, .choices = "PrintTypeParamList"},
    {.name = "PrintVer", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::PrintVer>,
     .save = 1, .min = 0},
    {.name = "Intercommunication", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::Intercommunication>, .save = 2},
    {.name = "Resolution", .section = kPrinter, .role = kOperator, .at = Params<&PP::Resolution>,
     .save = 1, .min = 0, .choices = "ResolutionList"},
    {.name = "ResolutionX", .section = kNone, .role = kDerived, .at = Params<&PP::ResolutionX>},
    {.name = "ResolutionY", .section = kNone, .role = kDerived, .at = Params<&PP::ResolutionY>},
    {.name = "RealPrinterResolution", .section = kPrinter, .role = kPrinterType,
     .type = FieldType::Double, .at = Params<&PP::RealPrinterResolution>, .save = 21,
     .decimals = 4},
    {.name = "PrinterResolution", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::PrinterResolution>, .save = 22},
    {.name = "PassFeedAfter", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::PassFeedAfter>, .save = 23, .missing = 0, .min = 0, .max = 1,
     .clamp = FieldClamp::OutsideToDefault},
    {.name = "CaliResolutionX", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::CaliResolutionX>, .save = 14},
    {.name = "CaliResolutionY", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::CaliResolutionY>, .save = 15},
    {.name = "Speed", .section = kPrinter, .role = kOperator, .at = Params<&PP::Speed>, .save = 2,
     .min = 0, .choices = "SpeedDisplayList"},
    {.name = "PassID", .section = kPrinter, .role = kOperator, .at = Params<&PP::PassID>, .save = 3,
     .min = 0, .choices = "PassList"},
    {.name = "Direction", .section = kPrinter, .role = kOperator, .at = Params<&PP::Direction>,
     .save = 4, .min = 0, .choices = "DirectionList"},
    {.name = "FlashFrequency", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::FlashFrequency>, .save = 5},
    {.name = "FlashAlternation", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::FlashAlternation>, .save = 6},
    {.name = "PurgeFrequency", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::PurgeFrequency>, .save = 7},
    {.name = "PurgeAlternation", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::PurgeAlternation>, .save = 8},
    {.name = "Origin", .section = kPrinter, .role = kOperator, .at = Params<&PP::Origin>, .save = 9,
     .min = 0, .max = 1},
    {.name = "Strip", .section = kPrinter, .role = kOperator, .at = Params<&PP::Strip>, .save = 10,
     .min = 0, .max = 1},
    {.name = "AutoFlash", .section = kPrinter, .role = kOperator, .at = Params<&PP::AutoFlash>,
     .save = 11, .min = 0, .max = 1},
    {.name = "IgnoreBlank", .section = kPrinter, .role = kOperator, .at = Params<&PP::IgnoreBlank>,
     .save = 17, .min = 0, .max = 1},
    {.name = "StripPos", .section = kPrinter, .role = kOperator, .at = Params<&PP::StripPos>,
     .save = 12, .min = 0, .choices = "StripPosList"},
    {.name = "StripTrueWidth", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::StripTrueWidth>, .save = 23, .min = 0, .choices = "StripWidthList"},
    {.name = "TaskGap", .section = kPrinter, .role = kOperator, .at = Params<&PP::TaskGap>,
     .save = 13},
    {.name = "MaxScanLines", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::MaxScanLines>, .save = 14},
    {.name = "StripWidth", .section = kPrinter, .role = kOperator, .at = Params<&PP::StripWidth>,
     .save = 24},
    {.name = "MaxAccDist", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::MaxAccDist>,
     .save = 7},
    {.name = "LongPressTime", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::LongPressTime>, .save = 15},
    {.name = "ShortPressTime", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::ShortPressTime>, .save = 16},
    {.name = "PurgePosition", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::PurgePosition>, .io = FieldIo::ReadOnly},
    {.name = "CommandTimeout", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::CommandTimeout>, .save = 10, .min = 0},
    {.name = "DataTimeoutUnbidi", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::DataTimeoutUnbidi>, .save = 11, .min = 0},
    {.name = "DataTimeoutBidi", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::DataTimeoutBidi>, .save = 12, .min = 0},
    {.name = "OriginPrintStyle", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::OriginPrintStyle>, .save = 18, .min = 0, .choices = "OriginPrintStyleList"},
    {.name = "MediaWidth", .section = kPrinter, .role = kOperator, .at = Params<&PP::MediaWidth>,
     .save = 20},
    {.name = "MediaPos", .section = kPrinter, .role = kOperator, .at = Params<&PP::MediaPos>,
     .save = 19},
    {.name = "MediaLimit", .section = kPrinter, .role = kOperator, .at = Params<&PP::MediaLimit>,
     .save = 21},
    {.name = "OriginPos", .section = kPrinter, .role = kOperator, .at = Params<&PP::OriginPos>,
     .save = 22, .rule = FieldRule::OriginByStyle},
    {.name = "RasterRes", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::RasterRes>,
     .save = 13},
    {.name = "HeadToSensorDist", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::HeadToSensorDist>, .save = 16},
    {.name = "SensorToUvDist", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::SensorToUvDist>, .save = 17},
    {.name = "MediaSensorToUvDist", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::MediaSensorToUvDist>, .save = 18},
    {.name = "MaxPrintWidth", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::MaxPrintWidth>, .save = 19},
    {.name = "MaxOrigin", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::MaxOrigin>,
     .save = 20, .rule = FieldRule::BeyondTravel},
    {.name = "MmPerPulseX", .section = kPrinter, .role = kPrinterType, .type = FieldType::Double,
     .at = Params<&PP::MmPerPulseX>, .save = 8, .decimals = 10},
    {.name = "MmPerPulseY", .section = kPrinter, .role = kPrinterType, .type = FieldType::Double,
     .at = Params<&PP::MmPerPulseY>, .save = 9, .decimals = 10},
    {.name = "OutputInterface", .section = kPrinter, .role = kPrinterType, .type = FieldType::Text,
     .at = Params<&PP::OutputInterface>, .save = 3},
    {.name = "ColorNo", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::ColorNo>,
     .save = 4, .min = 0},
    {.name = "WhiteColorNo", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::WhiteColorNo>, .save = 26, .missing = 0, .min = 0,
     .clamp = FieldClamp::RaiseToMin},
    {.name = "GroupNo", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::GroupNo>,
     .save = 5, .min = 0},
    {.name = "HeadHoleNo", .section = kPrinter, .role = kPrinterType, .at = Params<&PP::HeadHoleNo>,
     .save = 6, .min = 0},
    {.name = "HeadArrayOrder", .section = kList, .role = kPrinterType, .type = FieldType::TextList,
     .at = Params<&PP::HeadArrayOrder>, .save = 30},
    {.name = "HeadPrintInkOrder", .section = kList, .role = kPrinterType,
     .type = FieldType::IntList, .at = Params<&PP::HeadPrintInkOrder>, .save = 33},
    {.name = "HeadHoriPosList", .section = kList, .role = kPrinterType,
     .type = FieldType::DoubleList, .at = Params<&PP::HeadHoriPosList>, .save = 28},
    {.name = "HeadVerPosList", .section = kList, .role = kPrinterType,
     .type = FieldType::DoubleList, .at = Params<&PP::HeadVerPosList>, .save = 29},
    {.name = "MergeBit", .section = kList, .role = kPrinterType, .type = FieldType::IntList,
     .at = Params<&PP::MergeBit>, .save = 31},
    {.name = "IsPrinted", .section = kList, .role = kPrinterType, .type = FieldType::TruncatedList,
     .at = Params<&PP::IsPrinted>, .save = 34},
    {.name = "JetTemp", .section = kList, .role = kPrinterType, .type = FieldType::TruncatedList,
     .at = Params<&PP::JetTemp>, .save = 32},
    {.name = "HeadLevelList", .section = kList, .role = kPrinterType, .type = FieldType::IntList,
     .at = Params<&PP::HeadLevelList>, .io = FieldIo::ReadOnly},
    {.name = "IfPrintWhite", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::IfPrintWhite>, .save = 41, .min = 0, .max = 1,
     .rule = FieldRule::NeedsWhiteHeads},
    {.name = "WhiteInkThickness", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::WhiteInkThickness>, .save = 42},
    {.name = "WhiteHeadVerPos", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::WhiteHeadVerPos>, .save = 43},
    {.name = "WhiteHeadPrintStyle", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::WhiteHeadPrintStyle>, .save = 44, .min = 0, .max = 1},
    {.name = "WhiteHeadDataSource", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::WhiteHeadDataSource>, .save = 45},
    {.name = "ForbidHolesNum", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::ForbidHolesNum>, .save = 46},
    {.name = "NumOfWhiteInUse", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::NumOfWhiteInUse>, .save = 47, .min = 0, .rule = FieldRule::WhiteInUse},
    {.name = "IfEdge", .section = kPrinter, .role = kOperator, .at = Params<&PP::IfEdge>,
     .save = 27, .min = 0, .max = 1},
    {.name = "AutoEdgeBeforePrint", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::AutoEdgeBeforePrint>, .save = 28, .min = 0, .max = 1},
    {.name = "EdgeRefuseWidth", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::EdgeRefuseWidth>, .save = 31},
    {.name = "OverWidthPrintStyle", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::OverWidthPrintStyle>, .save = 32},
    {.name = "IfSlope", .section = kPrinter, .role = kOperator, .at = Params<&PP::IfSlope>,
     .save = 29, .min = 0, .max = 1},
    {.name = "SlopeRefuseWidth", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::SlopeRefuseWidth>, .save = 33},
    {.name = "SlopeLength", .section = kPrinter, .role = kOperator, .at = Params<&PP::SlopeLength>,
     .save = 34},
    {.name = "IfTypeset", .section = kPrinter, .role = kOperator, .at = Params<&PP::IfTypeset>,
     .save = 30, .min = 0, .max = 1},
    {.name = "TypesetStyle", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::TypesetStyle>, .save = 35},
    {.name = "CustomRigthMargin", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::CustomRigthMargin>, .save = 36},
    {.name = "MmPerPulseBeam", .section = kPrinter, .role = kPrinterType, .type = FieldType::Double,
     .at = Params<&PP::MmPerPulseBeam>, .io = FieldIo::ReadOnly, .decimals = 10},
    {.name = "HeightBetweenWheelAndFlat", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::HeightBetweenWheelAndFlat>, .io = FieldIo::ReadOnly},
    {.name = "MediaPly", .section = kPrinter, .role = kOperator, .at = Params<&PP::MediaPly>,
     .save = 37, .missing = 0, .min = 0, .clamp = FieldClamp::RaiseToMinAlsoOnSave},
    {.name = "IfAutoControl", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::IfAutoControl>, .save = 38, .min = 0, .max = 1},
    {.name = "DisBetweenBeamAndMedia", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::DisBetweenBeamAndMedia>, .save = 39, .missing = 0, .min = 0,
     .clamp = FieldClamp::RaiseToMinAlsoOnSave},
    {.name = "DisBeforePrint", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::DisBeforePrint>, .save = 40, .missing = 0, .min = 0,
     .clamp = FieldClamp::RaiseToMinAlsoOnSave},
    {.name = "IfSpacePrint", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::IfSpacePrint>, .save = 48, .missing = 0, .min = 0, .max = 1,
     .clamp = FieldClamp::RaiseToMin},
    {.name = "SpaceBeforePic", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::SpaceBeforePic>, .save = 49, .missing = 0, .min = 0,
     .clamp = FieldClamp::RaiseToMin},
    {.name = "SpaceAfterPic", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::SpaceAfterPic>, .save = 50, .missing = 0, .min = 0,
     .clamp = FieldClamp::RaiseToMin},
    {.name = "Temperature", .section = kList, .role = kOperator, .type = FieldType::IntList,
     .at = Params<&PP::Temperature>, .save = 51},
    {.name = "MinJetVoltageVal", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::MinJetVoltageVal>, .rule = FieldRule::NeedsBoardV3, .io = FieldIo::ReadOnly},
    {.name = "MaxJetVoltageVal", .section = kPrinter, .role = kPrinterType,
     .at = Params<&PP::MaxJetVoltageVal>, .rule = FieldRule::NeedsBoardV3, .io = FieldIo::ReadOnly},
    {.name = "Voltage", .section = kList, .role = kOperator, .type = FieldType::IntList,
     .at = Params<&PP::Voltage>, .save = 58, .rule = FieldRule::PerHead},
    {.name = "VoltBit", .section = kList, .role = kPrinterType, .type = FieldType::IntList,
     .at = Params<&PP::VoltBit>, .io = FieldIo::ReadOnly},
    {.name = "FeatherModeCount", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::FeatherModeCount>, .save = 59, .missing = 3, .rule = FieldRule::Fixed,
     .io = FieldIo::WriteOnly},
    {.name = "FeatherMode", .section = kPrinter, .role = kOperator, .at = Params<&PP::FeatherMode>,
     .save = 60, .missing = 0, .min = 0, .max = 2, .clamp = FieldClamp::OutsideToDefault},
    {.name = "FeatherWaveLength", .section = kPrinter, .role = kOperator,
     .at = Params<&PP::FeatherWaveLength>, .save = 61},
    {.name = "FeatherLinesList", .section = kList, .role = kOperator,
     .type = FieldType::FeatherLines, .at = Params<&PP::FeatherLinesList>, .save = 62,
     .separators = ","},
    {.name = "HoriPositiveErr", .section = kList, .role = kCalibration,
     .type = FieldType::ErrorTable, .at = Params<&PP::HoriPositiveErr>, .save = 52,
     .separators = ",&"},
    {.name = "HoriNagetiveErr", .section = kList, .role = kCalibration,
     .type = FieldType::ErrorTable, .at = Params<&PP::HoriNagetiveErr>, .save = 53,
     .separators = ",&"},
    {.name = "VerErr", .section = kList, .role = kCalibration, .type = FieldType::IntList,
     .at = Params<&PP::VerErr>, .save = 54},
    {.name = "BidiErr", .section = kList, .role = kCalibration, .type = FieldType::BidiSlots,
     .at = Params<&PP::BidiErr>, .save = 55},
    {.name = "StepPass", .section = kList, .role = kCalibration, .type = FieldType::IntList,
     .at = Params<&PP::StepPass>, .save = 56, .rule = FieldRule::PerPassCount, .separators = ",&"},
    {.name = "StepPassMicro", .section = kList, .role = kCalibration, .type = FieldType::IntList,
     .at = Params<&PP::StepPassMicro>, .save = 57, .rule = FieldRule::PerPassCount,
     .separators = ",&"},
    {.name = "HeadCount", .section = kNone, .role = kDerived, .type = FieldType::Count,
     .count = [](const PC& c) { return c.HeadCount(); }},
    {.name = "ComboCount", .section = kNone, .role = kDerived, .type = FieldType::Count,
     .count = [](const PC& c) { return c.ComboCount(); }},
};
// clang-format on

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr std::string_view kSystemSection = "SYSTEM";
constexpr std::string_view kListSuffix = "_LIST";

FieldSection SectionOf(std::string_view section)
{
    if (EqualsNoCase(section, kSystemSection)) {
        return FieldSection::System;
    }
    if (section.size() >= kListSuffix.size() &&
        EqualsNoCase(section.substr(section.size() - kListSuffix.size()), kListSuffix)) {
        return EqualsNoCase(section.substr(0, section.size() - kListSuffix.size()), kSystemSection)
                   ? FieldSection::SystemList
                   : FieldSection::PrinterList;
    }
    return FieldSection::Printer;
}

// A decimal number truncated toward zero, kept inside the int range.
int TruncateToInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    value = std::trunc(value);
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::vector<int> ToInts(const std::vector<std::string>& items, bool truncate)
{
    std::vector<int> values;
    values.reserve(items.size());
    for (const std::string& item : items) {
        values.push_back(truncate ? TruncateToInt(ParseLeadingDouble(item))
                                  : ParseLeadingInt(item));
    }
    return values;
}

// Fills the groups of a horizontal error table with headCount values each, in order.
void FillErrorTable(std::array<std::vector<int>, kMaxCombos>& table, const std::vector<int>& values,
                    int headCount)
{
    if (headCount <= 0) {
        return;  // no group can take a value; an empty head arrangement carries no errors
    }
    size_t group = 0;
    for (int value : values) {
        if (table[group].size() >= static_cast<size_t>(headCount)) {
            ++group;
        }
        if (group >= table.size()) {
            break;
        }
        table[group].push_back(value);
    }
}

void PadTo(std::vector<int>& list, size_t size)
{
    if (list.size() < size) {
        list.resize(size, 0);
    }
}

int ApplyClamp(const ConfigField& f, int value)
{
    switch (f.clamp) {
        case FieldClamp::None:
            return value;
        case FieldClamp::RaiseToMin:
        case FieldClamp::RaiseToMinAlsoOnSave:
            return std::max(value, f.min);
        case FieldClamp::OutsideToDefault:
            return f.InRange(value) ? value : f.missing;
    }
    return value;
}

// The int rules that need other fields; value is what the key gave.
int ApplyIntRule(const CPrinterConfig& config, const ConfigField& f, int value)
{
    const CPrinterParams& p = config.params;
    switch (f.rule) {
        case FieldRule::WhiteInUse:
            return value < 0 ? p.WhiteColorNo : value;
        case FieldRule::NeedsWhiteHeads:
            return p.WhiteColorNo == 0 ? 0 : value;
        case FieldRule::BeyondTravel: {
            // Widening in 64 bits: two hand-edited large distances must not overflow the sum.
            const long long least = static_cast<long long>(p.MaxAccDist) + p.HeadToSensorDist;
            return value < least ? static_cast<int>(std::clamp<long long>(least, INT_MIN, INT_MAX))
                                 : value;
        }
        default:
            return value;
    }
}

FieldValue ValueOf(const CPrinterConfig& config, const ConfigField& f)
{
    // The accessors only take the address; nothing is written through a const configuration.
    return f.at(const_cast<CPrinterConfig&>(config));  // NOLINT
}

}  // namespace

std::span<const ConfigField> ConfigFields()
{
    return kFields;
}

const ConfigField* FindConfigField(std::string_view section, std::string_view key)
{
    const FieldSection wanted = SectionOf(section);
    for (const ConfigField& f : kFields) {
        if (f.section == wanted &&
            (EqualsNoCase(f.name, key) || (f.fileKey != nullptr && EqualsNoCase(f.fileKey, key)))) {
            return &f;
        }
    }
    return nullptr;
}

const ConfigField* FindConfigField(CPrinterConfig& config, const void* address)
{
    for (const ConfigField& f : kFields) {
        if (f.at != nullptr &&
            std::visit([&](auto* p) { return static_cast<const void*>(p) == address; },
                       f.at(config))) {
            return &f;
        }
    }
    return nullptr;
}

std::string FieldKeys(const CPrinterConfig& config, std::initializer_list<const void*> addresses)
{
    // The lookup only compares addresses; nothing is written through them.
    auto& probe =
        const_cast<CPrinterConfig&>(config);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    std::string keys;
    for (const void* address : addresses) {
        if (const ConfigField* f = FindConfigField(probe, address)) {
            keys += (keys.empty() ? "" : ", ") + std::string(f->WriteKey());
        }
    }
    return keys;
}

std::string SectionName(FieldSection section, const std::string& printer)
{
    switch (section) {
        case FieldSection::System:
            return std::string(kSystemSection);
        case FieldSection::SystemList:
            return std::string(kSystemSection) + std::string(kListSuffix);
        case FieldSection::Printer:
            return printer;
        case FieldSection::PrinterList:
            return printer + std::string(kListSuffix);
        case FieldSection::None:
            break;
    }
    return {};
}

std::string FieldText(const CPrinterConfig& config, const ConfigField& f, bool forFile)
{
    if (f.type == FieldType::Count) {
        return std::to_string(f.count(config));
    }
    const FieldValue value = ValueOf(config, f);
    return std::visit(
        Overloaded{
            [&](const int* v) -> std::string {
                if (f.type == FieldType::UsbId) {
                    char text[8];
                    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(*v) & 0xFFFFu);
                    return text;
                }
                return std::to_string(*v);
            },
            [&](const double* v) { return FormatFixed(*v, f.decimals); },
            [](const std::string* v) { return *v; },
            [](const std::vector<std::string>* v) { return JoinItems(*v, "&"); },
            [&](const std::vector<int>* v) {
                if (f.type == FieldType::FeatherLines) {
                    if (!forFile) {
                        return JoinInts(*v, ",");
                    }
                    auto at = [&](size_t i) { return i < v->size() ? (*v)[i] : 0; };
                    return "0," + std::to_string(at(1)) + "," + std::to_string(at(2));
                }
                if (forFile && f.rule == FieldRule::PerHead) {
                    const auto heads = static_cast<size_t>(std::max(config.HeadCount(), 0));
                    return JoinInts(
                        std::vector<int>(
                            v->begin(), v->begin() + static_cast<long>(std::min(v->size(), heads))),
                        "&");
                }
                return JoinInts(*v, "&");
            },
            [](const std::vector<double>* v) {
                std::vector<std::string> items;
                items.reserve(v->size());
                for (double x : *v) {
                    items.push_back(FormatFixed(x, 4));
                }
                return JoinItems(items, "&");
            },
            [](const std::array<std::vector<int>, kMaxCombos>* v) { return FormatErrorTable(*v); },
            [](const std::array<int, kBidiSlots>* v) {
                return JoinInts(std::vector<int>(v->begin(), v->end()), "&");
            },
            [](const std::filesystem::path* v) { return v->string(); },
        },
        value);
}

void LoadField(CPrinterConfig& config, const ConfigField& f, const CIniFile& ini,
               const std::string& printer)
{
    if (f.at == nullptr || f.section == FieldSection::None) {
        return;
    }
    const CPrinterParams& p = config.params;
    if (f.rule == FieldRule::Fixed) {
        *std::get<int*>(f.at(config)) = f.missing;
        return;
    }
    if (!f.IsRead() ||
        ((f.rule == FieldRule::NeedsBoardV3 || f.rule == FieldRule::PerHead) && p.PrintVer < 3)) {
        return;
    }
    const std::string section = SectionName(f.section, printer);
    const int heads = config.HeadCount();
    if (f.rule == FieldRule::OriginByStyle) {
        // Style 1 starts at the media edge: the origin is the media position.
        if (p.OriginPrintStyle == 0 || p.OriginPrintStyle == 1) {
            *std::get<int*>(f.at(config)) =
                p.OriginPrintStyle == 0 ? ini.GetInt(section, f.name) : p.MediaPos;
        }
        return;
    }
    const std::string text = ini.GetString(section, f.name);
    auto items = [&] { return SplitItems(text, f.separators); };
    std::visit(Overloaded{
                   [&](int* v) {
                       if (f.type == FieldType::UsbId) {
                           *v = ParseUsbId(text, f.missing);
                           return;
                       }
                       // As the file's integer reader: a missing or empty value reads -1.
                       const int read = text.empty() ? -1 : ParseLeadingInt(text);
                       *v = ApplyIntRule(config, f, ApplyClamp(f, read));
                   },
                   [&](double* v) { *v = ParseLeadingDouble(text); },
                   [&](std::string* v) { *v = text; },
                   [&](std::vector<std::string>* v) { *v = items(); },
                   [&](std::vector<int>* v) {
                       *v = ToInts(items(), f.type == FieldType::TruncatedList);
                       if (f.rule == FieldRule::PerHead) {
                           if (heads <= 0) {
                               v->clear();
                               return;
                           }
                           v->resize(static_cast<size_t>(heads), 0);
                       } else if (f.rule == FieldRule::PerPassCount) {
                           PadTo(*v, config.lists.ToTalPassList.size());
                       } else if (f.type == FieldType::FeatherLines) {
                           PadTo(*v, 3);
                           (*v)[0] = 0;  // the first mode feathers nothing
                       }
                   },
                   [&](std::vector<double>* v) {
                       v->clear();
                       for (const std::string& item : items()) {
                           v->push_back(ParseLeadingDouble(item));
                       }
                   },
                   [&](std::array<std::vector<int>, kMaxCombos>* v) {
                       FillErrorTable(*v, ToInts(items(), false), heads);
                       // The tables have room for nine combinations; a larger product is cut there.
                       const int combos = std::min(config.ComboCount(), kMaxCombos);
                       for (int g = 0; g < combos && heads > 0; ++g) {
                           PadTo((*v)[static_cast<size_t>(g)], static_cast<size_t>(heads));
                       }
                   },
                   [&](std::array<int, kBidiSlots>* v) {
                       const std::vector<int> values = ToInts(items(), false);
                       for (size_t k = 0; k < values.size() && k < v->size(); ++k) {
                           (*v)[k] = values[k];
                       }
                   },
                   [](std::filesystem::path*) {},
               },
               f.at(config));
}

void SaveField(CPrinterConfig& config, const ConfigField& f, CIniFile& ini,
               const std::string& printer)
{
    if (!f.IsWritten() || f.at == nullptr) {
        return;
    }
    const FieldValue value = f.at(config);
    if (int* const* v = std::get_if<int*>(&value)) {
        if (f.clamp == FieldClamp::RaiseToMinAlsoOnSave) {
            **v = ApplyClamp(f, **v);
        }
        if (f.rule == FieldRule::NeedsWhiteHeads) {
            **v = ApplyIntRule(config, f, **v);
        }
    }
    if (f.type == FieldType::FeatherLines) {
        PadTo(*std::get<std::vector<int>*>(value), 3);
    }
    ini.WriteString(SectionName(f.section, printer), f.WriteKey(), FieldText(config, f, true));
}

std::vector<const ConfigField*> FieldsSavedAs(std::initializer_list<FieldRole> roles)
{
    std::vector<const ConfigField*> out;
    for (const ConfigField& f : kFields) {
        if (f.IsWritten() && std::find(roles.begin(), roles.end(), f.role) != roles.end()) {
            out.push_back(&f);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ConfigField* a, const ConfigField* b) { return a->save < b->save; });
    return out;
}

std::string CheckFieldValue(const ConfigField& f, std::string_view value)
{
    const std::string name = f.name;
    const std::string text(value);
    const char* end = value.data() + value.size();
    switch (f.type) {
        case FieldType::Int: {
            long long n = 0;
            const char* start = value.data() + (value.starts_with('+') ? 1 : 0);
            auto [ptr, ec] = std::from_chars(start, end, n);
            if (value.empty() || ec != std::errc() || ptr != end || !f.InRange(n)) {
                return FormatResString(ids::kConfigValueOutOfRange,
                                       {name, text, std::to_string(f.min), std::to_string(f.max)});
            }
            return {};
        }
        case FieldType::UsbId:
            if (ParseUsbId(text, -1) < 0) {
                return FormatResString(ids::kConfigValueNotUsbId, {name, text});
            }
            return {};
        case FieldType::Double: {
            char* stop = nullptr;
            const double d = std::strtod(text.c_str(), &stop);
            if (text.empty() || stop != text.c_str() + text.size() || !std::isfinite(d)) {
                return FormatResString(ids::kConfigValueNotNumber, {name, text});
            }
            return {};
        }
        default:
            return {};
    }
}

}  // namespace tavolux
