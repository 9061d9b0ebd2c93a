// Drawing a chart's passes into the job's channels and merging them into nozzle words.
#include "chart/TestPattern.h"

#include <algorithm>
#include <cmath>

#include "chart/GlyphFiles.h"
#include "config/PrinterConfig.h"
#include "print/FastMerge.h"
#include "print/PassGenerator.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::chart {

PassTask ChartPassTask(const ChartJob& job)
{
    PassTask task;
    task.resolutionX = job.xResolution;
    task.resolutionY = job.yResolution;
    task.passes = 1;
    task.direction = job.direction;
    task.printType = job.printTypeCode;
    task.speed = job.speed;
    return task;
}

CTestPattern::CTestPattern(const CPrinterConfig& config, const ChartJob& job, double scale,
                           std::filesystem::path glyphDir)
    : m_config(config),
      m_job(job),
      m_scale(scale),
      m_mmPerPulseY(config.params.MmPerPulseY),
      m_glyphDir(std::move(glyphDir)),
      m_merger(std::make_unique<CFastMerge>())
{
    m_channelMap = {0, 1, 2, 3, 4, 5, 6};
    if (config.params.ColorNo == 5) {
        m_channelMap[4] = 5;
        m_channelMap[5] = 6;
        m_channelMap[6] = 4;
    }
}

CTestPattern::~CTestPattern() = default;

int CTestPattern::H() const
{
    return m_config.params.HeadHoleNo;
}
int CTestPattern::G() const
{
    return m_config.params.GroupNo;
}
int CTestPattern::C() const
{
    return m_config.params.ColorNo;
}

int CTestPattern::PassModeCount() const
{
    const auto& list = m_config.lists.ToTalPassList;
    const int k = m_job.printTypeCode;
    if (k < 0 || static_cast<size_t>(k) >= list.size()) {
        return 0;
    }
    const int m = std::atoi(list[static_cast<size_t>(k)].c_str());
    return m <= 1 ? 2 : m;
}

int64_t CTestPattern::MaxTransferWords() const
{
    return m_layout.TransferWords(m_fullLength);
}

int CTestPattern::TravelPulses(int widthPixels) const
{
    const auto& p = m_config.params;
    double mm = 2.0 * p.MaxAccDist + widthPixels / static_cast<double>(m_job.xResolution) * 25.4;
    if (p.IfSpacePrint == 1) {
        mm += p.SpaceBeforePic + p.SpaceAfterPic;
    }
    return static_cast<int>(mm / p.MmPerPulseX);
}

bool CTestPattern::Setup(const PassTask& /*task*/)
{
    const auto& p = m_config.params;
    m_error.clear();
    if (p.HeadHoleNo < 2 || p.GroupNo < 1 || p.ColorNo < 1 || m_job.xResolution <= 0 ||
        m_job.yResolution <= 0 || p.PrinterResolution <= 0 || p.MmPerPulseX <= 0.0 ||
        p.MmPerPulseY <= 0.0 || m_job.bytesPerPlaneLine <= 0 || m_passCount <= 0) {
        m_error = LoadResString(ids::kChartCannotLayOut);
        return false;
    }
    m_layout = LayoutParams::FromConfig(m_config);
    const int interlace = std::max(
        static_cast<int>(std::lround(static_cast<double>(m_job.yResolution) / p.PrinterResolution)),
        1);

    const StripSettings strips = StripsFor(m_config, m_job.xResolution);
    const int rowBytes = strips.leftBytes + m_job.bytesPerPlaneLine + strips.rightBytes;

    // Heads apart on the carriage print the same picture: each group starts its pixels
    // later by its offset from the leftmost head, as in an image job.
    const std::vector<int> offsets = HeadOffsets(m_config, m_job.xResolution);
    const int spread = offsets.empty() ? 0 : *std::max_element(offsets.begin(), offsets.end());
    m_fullLength = rowBytes * 8 + spread;

    m_channels.clear();
    for (int c = 0; c < p.ColorNo; ++c) {
        m_channels.emplace_back(c, m_job.direction != 2, m_job.direction == 0);
        m_channels.back().Init(m_layout.groupRows * p.GroupNo, interlace, m_job.bytesPerPlaneLine,
                               strips, m_layout.groupRows,
                               MakeHeadGroups(m_config, m_layout, c, offsets, m_fullLength),
                               m_fullLength);
        m_channels.back().SetNozzleLayout(m_layout);
    }
    m_pass = 0;
    m_fedRows = 0;
    return true;
}

int CTestPattern::FeedToSteps(int rows) const
{
    const auto& p = m_config.params;
    const auto k = static_cast<size_t>(std::max(m_job.printTypeCode, 0));
    const double stepPass = k < p.StepPass.size() ? p.StepPass[k] : 0;
    const double stepMicro = k < p.StepPassMicro.size() ? p.StepPassMicro[k] : 0;
    if (p.MmPerPulseY <= 0.0 || p.RealPrinterResolution <= 0.0 || p.PrinterResolution <= 0) {
        return 0;
    }
    const double pitch = std::round(static_cast<double>(m_job.yResolution) / p.PrinterResolution) *
                         p.RealPrinterResolution;
    if (pitch <= 0.0) {
        return 0;
    }
    const double correction =
        stepPass / p.RealPrinterResolution * 25.4 + stepMicro * p.MmPerPulseY * 0.05;
    double steps = (rows / pitch * 25.4 + correction) / p.MmPerPulseY;
    const double whole = std::round(steps);
    if (std::fabs(steps - whole) < 1e-6) {
        steps = whole;
    }
    return steps <= 0.0 ? 0 : static_cast<int>(steps);
}

std::vector<uint8_t> CTestPattern::LoadDigitGlyph(bool flag, int magnitude) const
{
    return ReadGlyphRecord(m_glyphDir / kDigitFileName, DigitRecord(flag, magnitude),
                           m_digitWidth * m_digitHeight);
}

std::vector<uint8_t> CTestPattern::LoadLabelGlyph(int channelSlot, int variant) const
{
    return ReadGlyphRecord(m_glyphDir / kLabelFileName,
                           LabelRecord(channelSlot, variant, C(), WhiteChannel()),
                           m_labelWidth * m_labelHeight);
}

void CTestPattern::DrawDigit(int c, int g, int x, int n, bool flag, int magnitude, GlyphInk ink)
{
    const auto glyph = LoadDigitGlyph(flag, magnitude);
    if (!glyph.empty() && c >= 0 && c < ChannelCount()) {
        Channel(c).BlitGlyph(g, x, n, glyph.data(), m_digitWidth, m_digitHeight, ink);
    }
}

void CTestPattern::DrawLabel(int c, int g, int x, int n, int channelSlot, int variant, GlyphInk ink)
{
    const auto glyph = LoadLabelGlyph(channelSlot, variant);
    if (!glyph.empty() && c >= 0 && c < ChannelCount()) {
        Channel(c).BlitGlyph(g, x, n, glyph.data(), m_labelWidth, m_labelHeight, ink);
    }
}

PassOutcome CTestPattern::BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& d)
{
    PassOutcome out;
    if (Done() || m_channels.empty() ||
        static_cast<int64_t>(transfer.size()) < MaxTransferWords()) {
        return out;
    }
    const auto& p = m_config.params;
    const int pass = m_pass;
    for (int c = 0; c < ChannelCount(); ++c) {
        Channel(c).ClearRows();
        DrawPass(pass, c);
    }
    ChannelPass cp;
    cp.layout = m_layout;
    cp.merger = m_merger.get();
    m_inputs.clear();
    std::vector<CHeadChannel*> merging;
    for (auto& channel : m_channels) {
        MergeInput in;
        if (channel.BeginMerge(cp, in)) {
            m_inputs.push_back(in);
            merging.push_back(&channel);
        }
    }
    const auto words = static_cast<size_t>(m_layout.TransferWords(m_fullLength));
    m_merger->MergeChannels(m_inputs, transfer.first(words));
    for (CHeadChannel* channel : merging) {
        channel->EndMerge();
    }

    // A printer that feeds before printing a pass gets the feed after the previous pass in
    // this pass's header; one that feeds after printing gets this pass's own feed.
    const int rows = PassFeed(pass);
    const int feedBefore = pass == 0 ? 0 : FeedToSteps(PassFeed(pass - 1));
    const int feed = p.PassFeedAfter == 1 ? FeedToSteps(rows) : feedBefore;
    const double r = m_job.xResolution;
    const CHeadChannel& first = m_channels.front();
    d = PassDescriptor{};
    d[PassDescriptor::kWidth] = m_fullLength;
    d[PassDescriptor::kDataStart] =
        1 + static_cast<int>(p.MaxAccDist * r / 25.4) +
        (p.IfSpacePrint == 1 ? static_cast<int>(p.SpaceBeforePic * r / 25.4) : 0);
    d[PassDescriptor::kFeedAfter] = feed;
    d[PassDescriptor::kTravel] = TravelPulses(m_fullLength);
    d[PassDescriptor::kReturnMove] = TravelPulses(m_fullLength);
    d[PassDescriptor::kPassIndex] = pass;
    d[PassDescriptor::kOne] = 1;
    d[PassDescriptor::kDirection] = first.LeftToRight() ? 1 : 0;

    for (auto& channel : m_channels) {
        channel.FinishPass();
    }
    out.built = true;
    out.transferWords = static_cast<int64_t>(words);
    out.handOver = true;
    out.last = pass == m_passCount - 1;
    out.step = rows;
    out.dataRows = rows;
    m_fedRows += rows;
    ++m_pass;
    return out;
}

}  // namespace tavolux::chart
