// A small configuration file in a temporary program folder, changed key by key per test.
#pragma once

#include <string>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "support/TempDir.h"

namespace tavolux::test {

class ConfigFixture {
public:
    ConfigFixture()
    {
        dir.Write(kConfigFileName,
                  "[SYSTEM_LIST]\n"
                  "LanguageList=CHS&ENU\n"
                  "PrinterList=P\n"
                  "[SYSTEM]\n"
                  "Language=0\n"
                  "Printer=0\n"
                  "[P]\n"
                  "PrintVer=1\n"
                  "Resolution=0\n"
                  "PrintTypeID=0\n"
                  "GroupNo=2\n"
                  "ColorNo=4\n"
                  "[P_LIST]\n"
                  "ResolutionList=720*600&540*600\n"
                  "PrintTypeParamList=0,1,0&1,2,0\n"
                  "HoriPrintResolutionList=720&540\n"
                  "TotalSpeedList=H,M&L\n"
                  "SpeedDisplayList=H&M&L\n"
                  "ToTalPassList=1&2&4\n");
    }

    // Sets a key of the printer section ("P") or its list section ("L"), or any section.
    void Set(const std::string& section, const std::string& key, const std::string& value)
    {
        auto ini = File();
        ini.WriteString(Section(section), key, value);
        ini.Flush();
    }

    std::string Get(const std::string& section, const std::string& key)
    {
        return File().GetString(Section(section), key);
    }

    static std::string Section(const std::string& s) { return s == "L" ? "P_LIST" : s; }
    CIniFile File() { return CIniFile::OpenFile(dir.Path() / kConfigFileName, true); }

    std::string FileText() { return dir.Read(kConfigFileName); }

    TempDir dir;
    CPrinterConfig config{dir.Path()};
};

}  // namespace tavolux::test
