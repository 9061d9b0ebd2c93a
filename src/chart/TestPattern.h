// The base of every test chart: the passes of a print job drawn from geometry and glyphs,
// channel by channel, instead of cut out of a RIP file. A pattern is a pass source of CPrintJob,
// so a chart runs on the very threads, buffers, start protocol and stop handling of a RIP job.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "job/PassSource.h"
#include "print/HeadChannel.h"
#include "print/TransferLayout.h"

namespace tavolux {

class CPrinterConfig;
class CFastMerge;

namespace chart {

// The test job description: the fields of a task that a chart fills as if a RIP file had been
// chosen.
struct ChartJob {
    int planeCount = 0;         // channels
    int height = 0;             // lines
    int bytesPerPlaneLine = 0;  // width in bytes
    int printTypeId = 0;
    int speed = -1;
    int passes = 1;
    int direction = 0;  // 0 both directions, 1 one direction
    int copies = 1;
    int xResolution = 0;
    int yResolution = 0;
    int printTypeCode = 0;  // pass-mode index: the StepPass / StepPassMicro / ToTalPassList entry
    int staggered = 0;
};

// The pass task a chart job is printed with.
PassTask ChartPassTask(const ChartJob& job);

class CTestPattern : public CPassSource {
public:
    // glyphDir: the folder of DiGi.bin and ZiMo.bin.
    CTestPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                 std::filesystem::path glyphDir);
    ~CTestPattern() override;
    CTestPattern(const CTestPattern&) = delete;
    CTestPattern& operator=(const CTestPattern&) = delete;

    // CPassSource.
    bool Setup(const PassTask& task) override;
    std::string ErrorText() const override { return m_error; }
    int64_t MaxTransferWords() const override;
    bool BuildMasks() override { return true; }
    void Prepare() override {}
    bool Done() const override { return m_pass >= m_passCount; }
    PassOutcome BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& d) override;
    int TotalPasses() const override { return m_passCount; }
    int PrintedLines() const override { return m_fedRows; }
    int ImageHeight() const override { return m_job.height; }
    int ResumeOverlapLines() const override { return 0; }  // a chart is never resumed
    int CopyGap() const override { return 0; }
    const std::vector<CHeadChannel>& Channels() const override { return m_channels; }

    // Draws pass `pass` of channel c into its (cleared) rows.
    virtual void DrawPass(int /*pass*/, int /*channel*/) {}
    // Media rows fed after pass `pass`.
    virtual int PassFeed(int /*pass*/) const { return 0; }

    // Motor steps of a feed of `rows` nozzle rows, with the pass mode's step correction added
    // (also to a feed of 0). Whole steps toward zero, but a result within a millionth of a step
    // of a whole number is that number: 22080 exactly must not become 22079 because the
    // division came out a hair below. Negative results are 0.
    int FeedToSteps(int rows) const;

    // Glyph records, read afresh; empty when the file is missing or short (the chart goes on
    // without the glyph).
    std::vector<uint8_t> LoadDigitGlyph(bool flag, int magnitude) const;
    std::vector<uint8_t> LoadLabelGlyph(int channelSlot, int variant) const;
    // Reads and blits a glyph onto channel c, head group g, at x and nozzle n.
    void DrawDigit(int c, int g, int x, int n, bool flag, int magnitude,
                   GlyphInk ink = GlyphInk::Store);
    void DrawLabel(int c, int g, int x, int n, int channelSlot, int variant,
                   GlyphInk ink = GlyphInk::Store);

    const ChartJob& Job() const { return m_job; }
    int PassCount() const { return m_passCount; }
    double Scale() const { return m_scale; }
    const std::array<int, 7>& ChannelMap() const { return m_channelMap; }
    CHeadChannel& Channel(int c) { return m_channels[static_cast<size_t>(c)]; }
    int ChannelCount() const { return static_cast<int>(m_channels.size()); }

    // Glyph sizes.
    int m_labelWidth = 30;
    int m_labelHeight = 40;
    int m_digitWidth = 15;
    int m_digitHeight = 20;

protected:
    // k x scale, toward zero: a length in pixels.
    int S(int k) const { return static_cast<int>(k * m_scale); }
    // Printer shorthands.
    int H() const;  // nozzles per head
    int G() const;  // head groups
    int C() const;  // channels
    int N() const { return H() * G(); }
    bool WhitePrinter() const { return C() == 5 || C() == 7; }
    int WhiteChannel() const { return m_channelMap[6]; }
    // The pass count of the job's pass mode (1 counts as 2); 0 when the index is outside the
    // list.
    int PassModeCount() const;
    // The channel's reference row: its last row, where a feed of F rows puts row R - F.
    int ReferenceRow() const { return N() - 1; }

    const CPrinterConfig& m_config;
    ChartJob m_job;
    double m_scale;
    int m_passCount = 0;
    double m_mmPerPulseY = 0.0;
    std::array<int, 7> m_channelMap{};
    int m_secondFeedCount = 1;
    int m_secondFeed = 0;

private:
    int TravelPulses(int widthPixels) const;

    std::filesystem::path m_glyphDir;
    std::string m_error;
    LayoutParams m_layout;
    std::unique_ptr<CFastMerge> m_merger;
    std::vector<CHeadChannel> m_channels;
    std::vector<MergeInput> m_inputs;
    int m_fullLength = 0;
    int m_pass = 0;
    int m_fedRows = 0;
};

}  // namespace chart
}  // namespace tavolux
