// The configuration as name/value texts in the order of the model, for dumps and tests.
#include <cstdio>
#include <string>

#include "config/PrinterConfig.h"
#include "platform/NumberText.h"

namespace tavolux {

std::vector<std::pair<std::string, std::string>> DescribeConfig(const CPrinterConfig& config)
{
    std::vector<std::pair<std::string, std::string>> out;
    auto s = [&](const char* name, std::string value) { out.emplace_back(name, std::move(value)); };
    auto i = [&](const char* name, int value) { s(name, std::to_string(value)); };
    auto d = [&](const char* name, double value, int decimals) {
        s(name, FormatFixed(value, decimals));
    };
    auto sl = [&](const char* name, const std::vector<std::string>& v) {
        s(name, JoinItems(v, "&"));
    };
    auto il = [&](const char* name, const std::vector<int>& v) { s(name, JoinInts(v, "&")); };
    auto dl = [&](const char* name, const std::vector<double>& v) {
        std::vector<std::string> items;
        for (double x : v) {
            items.push_back(FormatFixed(x, 4));
        }
        sl(name, items);
    };

    s("TestDir", config.TestDir.string());
    sl("LanguageList", config.LanguageList);
    sl("PrinterList", config.PrinterList);
    i("Language", config.Language);
    i("Printer", config.Printer);
    i("IsDebug", config.IsDebug);
    i("IsZoom", config.IsZoom);
    i("IsAutoMaskGen", config.IsAutoMaskGen);
    auto hex4 = [&](const char* name, int value) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFFu);
        s(name, text);
    };
    hex4("UsbVendorId", config.UsbVendorId);
    hex4("UsbProductId", config.UsbProductId);

    const CParamLists& l = config.lists;
    sl("ResolutionList", l.ResolutionList);
    sl("SpeedList", l.SpeedList);
    sl("SpeedDisplayList", l.SpeedDisplayList);
    sl("PassList", l.PassList);
    sl("DirectionList", l.DirectionList);
    sl("StripPosList", l.StripPosList);
    il("StripWidthList", l.StripWidthList);
    sl("ToTalPassList", l.ToTalPassList);
    sl("PrintTypeDisplayList", l.PrintTypeDisplayList);
    sl("PrintTypeParamList", l.PrintTypeParamList);
    sl("HoriPrintResolutionList", l.HoriPrintResolutionList);
    sl("TotalSpeedList", l.TotalSpeedList);
    sl("OriginPrintStyleList", l.OriginPrintStyleList);

    const CPrinterParams& p = config.params;
    i("PrintTypeID", p.PrintTypeID);
    i("PrintVer", p.PrintVer);
    i("Intercommunication", p.Intercommunication);
    i("Resolution", p.Resolution);
    i("ResolutionX", p.ResolutionX);
    i("ResolutionY", p.ResolutionY);
    d("RealPrinterResolution", p.RealPrinterResolution, 4);
    i("PrinterResolution", p.PrinterResolution);
    i("PassFeedAfter", p.PassFeedAfter);
    i("CaliResolutionX", p.CaliResolutionX);
    i("CaliResolutionY", p.CaliResolutionY);
    i("Speed", p.Speed);
    i("PassID", p.PassID);
    i("Direction", p.Direction);
    i("FlashFrequency", p.FlashFrequency);
    i("FlashAlternation", p.FlashAlternation);
    i("PurgeFrequency", p.PurgeFrequency);
    i("PurgeAlternation", p.PurgeAlternation);
    i("Origin", p.Origin);
    i("Strip", p.Strip);
    i("AutoFlash", p.AutoFlash);
    i("IgnoreBlank", p.IgnoreBlank);
    i("StripPos", p.StripPos);
    i("StripTrueWidth", p.StripTrueWidth);
    i("TaskGap", p.TaskGap);
    i("MaxScanLines", p.MaxScanLines);
    i("StripWidth", p.StripWidth);

    i("MaxAccDist", p.MaxAccDist);
    i("LongPressTime", p.LongPressTime);
    i("ShortPressTime", p.ShortPressTime);
    i("PurgePosition", p.PurgePosition);
    i("CommandTimeout", p.CommandTimeout);
    i("DataTimeoutUnbidi", p.DataTimeoutUnbidi);
    i("DataTimeoutBidi", p.DataTimeoutBidi);
    i("OriginPrintStyle", p.OriginPrintStyle);
    i("MediaWidth", p.MediaWidth);
    i("MediaPos", p.MediaPos);
    i("MediaLimit", p.MediaLimit);
    i("OriginPos", p.OriginPos);
    i("RasterRes", p.RasterRes);
    i("HeadToSensorDist", p.HeadToSensorDist);
    i("SensorToUvDist", p.SensorToUvDist);
    i("MediaSensorToUvDist", p.MediaSensorToUvDist);
    i("MaxPrintWidth", p.MaxPrintWidth);
    i("MaxOrigin", p.MaxOrigin);
    d("MmPerPulseX", p.MmPerPulseX, 10);
    d("MmPerPulseY", p.MmPerPulseY, 10);
    s("OutputInterface", p.OutputInterface);

    i("ColorNo", p.ColorNo);
    i("WhiteColorNo", p.WhiteColorNo);
    i("GroupNo", p.GroupNo);
    i("HeadHoleNo", p.HeadHoleNo);
    sl("HeadArrayOrder", p.HeadArrayOrder);
    il("HeadPrintInkOrder", p.HeadPrintInkOrder);
    dl("HeadHoriPosList", p.HeadHoriPosList);
    dl("HeadVerPosList", p.HeadVerPosList);
    il("MergeBit", p.MergeBit);
    il("IsPrinted", p.IsPrinted);
    il("JetTemp", p.JetTemp);
    il("HeadLevelList", p.HeadLevelList);

    i("IfPrintWhite", p.IfPrintWhite);
    i("WhiteInkThickness", p.WhiteInkThickness);
    i("WhiteHeadVerPos", p.WhiteHeadVerPos);
    i("WhiteHeadPrintStyle", p.WhiteHeadPrintStyle);
    i("WhiteHeadDataSource", p.WhiteHeadDataSource);
    i("ForbidHolesNum", p.ForbidHolesNum);
    i("NumOfWhiteInUse", p.NumOfWhiteInUse);
    i("IfEdge", p.IfEdge);
    i("AutoEdgeBeforePrint", p.AutoEdgeBeforePrint);
    i("EdgeRefuseWidth", p.EdgeRefuseWidth);
    i("OverWidthPrintStyle", p.OverWidthPrintStyle);
    i("IfSlope", p.IfSlope);
    i("SlopeRefuseWidth", p.SlopeRefuseWidth);
    i("SlopeLength", p.SlopeLength);
    i("IfTypeset", p.IfTypeset);
    i("TypesetStyle", p.TypesetStyle);
    i("CustomRigthMargin", p.CustomRigthMargin);
    d("MmPerPulseBeam", p.MmPerPulseBeam, 10);
    i("HeightBetweenWheelAndFlat", p.HeightBetweenWheelAndFlat);
    i("MediaPly", p.MediaPly);
    i("IfAutoControl", p.IfAutoControl);
    i("DisBetweenBeamAndMedia", p.DisBetweenBeamAndMedia);
    i("DisBeforePrint", p.DisBeforePrint);
    i("IfSpacePrint", p.IfSpacePrint);
    i("SpaceBeforePic", p.SpaceBeforePic);
    i("SpaceAfterPic", p.SpaceAfterPic);

    il("Temperature", p.Temperature);
    i("MinJetVoltageVal", p.MinJetVoltageVal);
    i("MaxJetVoltageVal", p.MaxJetVoltageVal);
    il("Voltage", p.Voltage);
    il("VoltBit", p.VoltBit);
    i("FeatherModeCount", p.FeatherModeCount);
    i("FeatherMode", p.FeatherMode);
    i("FeatherWaveLength", p.FeatherWaveLength);
    s("FeatherLinesList", JoinInts(p.FeatherLinesList, ","));

    s("HoriPositiveErr", FormatErrorTable(p.HoriPositiveErr));
    s("HoriNagetiveErr", FormatErrorTable(p.HoriNagetiveErr));
    il("VerErr", p.VerErr);
    il("BidiErr", std::vector<int>(p.BidiErr.begin(), p.BidiErr.end()));
    il("StepPass", p.StepPass);
    il("StepPassMicro", p.StepPassMicro);

    i("HeadCount", config.HeadCount());
    i("ComboCount", config.ComboCount());
    return out;
}

}  // namespace tavolux
