// Pass generation: sets a job up from the configuration and the task, then builds one pass
// (nozzle words and descriptor) per call.
#include "print/PassGenerator.h"

#include <algorithm>
#include <cmath>

#include "config/ConfigFields.h"
#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"
#include "platform/RandomSource.h"
#include "platform/UiFacade.h"
#include "print/FastMerge.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

// Beyond this a pass would need gigabytes of transfer buffer: no printer is that wide.
constexpr int64_t kMaxTransferWords = int64_t{1} << 28;

}  // namespace

CPassGenerator::CPassGenerator(const CPrinterConfig& config, CRandomSource& random,
                               CChannelMerger* merger)
    : m_config(config), m_random(random), m_merger(merger), m_reader(&config, &random)
{
    if (m_merger == nullptr) {
        m_ownMerger = std::make_unique<CFastMerge>();
        m_merger = m_ownMerger.get();
    }
}

CPassGenerator::~CPassGenerator() = default;

bool CPassGenerator::Fail(const std::string& text)
{
    m_error = text;
    m_ready = false;
    m_reader.Close();
    return false;
}

StripSettings StripsFor(const CPrinterConfig& config, int xResolution)
{
    const auto& p = config.params;
    StripSettings strips;
    if (p.Strip != 1) {
        return strips;
    }
    const auto& widths = config.lists.StripWidthList;
    const int extra = p.StripTrueWidth >= 0 && static_cast<size_t>(p.StripTrueWidth) < widths.size()
                          ? widths[static_cast<size_t>(p.StripTrueWidth)]
                          : 0;
    const int bytes = std::clamp(
        static_cast<int>((p.StripWidth + extra) * static_cast<double>(xResolution) / 25.4 / 8.0), 0,
        CRipReader::kMaxBytesPerPlaneLine);
    strips.leftBytes = p.StripPos == 0 || p.StripPos == 2 ? bytes : 0;
    strips.rightBytes = p.StripPos == 1 || p.StripPos == 2 ? bytes : 0;
    strips.blockBytes = bytes / (p.GroupNo * p.ColorNo);
    strips.colorNo = p.ColorNo;
    return strips;
}

std::vector<int> HeadOffsets(const CPrinterConfig& config, int xResolution)
{
    const auto& p = config.params;
    std::vector<int> offsets(p.HeadArrayOrder.size(), 0);
    for (size_t s = 0; s < offsets.size() && s < p.HeadHoriPosList.size(); ++s) {
        offsets[s] = static_cast<int>(std::lround(p.HeadHoriPosList[s] * xResolution / 25.4));
    }
    if (!offsets.empty()) {
        const int lo = *std::min_element(offsets.begin(), offsets.end());
        for (auto& o : offsets) {
            o -= lo;
        }
    }
    return offsets;
}

std::vector<HeadGroup> MakeHeadGroups(const CPrinterConfig& config, const LayoutParams& layout,
                                      int channel, const std::vector<int>& offsets, int fullLength)
{
    const auto& p = config.params;
    std::vector<HeadGroup> groups;
    for (int g = 0; g < p.GroupNo; ++g) {
        HeadGroup group;
        group.group = g;
        group.slot = config.FindHeadSlot(channel, g);
        const auto slot = static_cast<size_t>(group.slot);
        if (group.slot >= 0) {
            group.printed = slot >= p.IsPrinted.size() || p.IsPrinted[slot] != 0;
            const int off = slot < offsets.size() ? offsets[slot] : 0;
            group.start = -off;
            group.end = group.start + fullLength - 1;
            if (layout.halves) {
                const int bit = slot < p.MergeBit.size() ? p.MergeBit[slot] : 0;
                group.bit = static_cast<uint16_t>(1U << (bit & 15));
                group.secondBit = static_cast<uint16_t>(1U << ((bit + 1) & 15));
            } else {
                group.bit = static_cast<uint16_t>(1U << (group.slot & 15));
            }
        }
        groups.push_back(group);
    }
    return groups;
}

bool CPassGenerator::Setup(const PassTask& task)
{
    m_task = task;
    m_error.clear();
    m_ready = false;
    const auto& p = m_config.params;
    m_layout = LayoutParams::FromConfig(m_config);
    if (p.HeadHoleNo < 2 || p.GroupNo < 1 || p.ColorNo < 1) {
        return Fail(
            FormatResString(ids::kPassHeadsCannotPrint,
                            {FieldKeys(m_config, {&p.HeadHoleNo, &p.GroupNo, &p.ColorNo})}));
    }
    if (p.PrinterResolution <= 0 || task.resolutionX <= 0 || task.resolutionY <= 0) {
        return Fail(LoadResString(ids::kPassResolutionNotPositive));
    }
    if (p.MmPerPulseX <= 0.0 || p.MmPerPulseY <= 0.0) {
        return Fail(FormatResString(ids::kPassPulseNotPositive,
                                    {FieldKeys(m_config, {&p.MmPerPulseX, &p.MmPerPulseY})}));
    }
    if (task.passes < 1) {
        return Fail(LoadResString(ids::kPassCountBelowOne));
    }
    m_passes = task.passes;
    m_interlace = static_cast<int>(
        std::floor(static_cast<double>(task.resolutionY) / p.PrinterResolution + 0.5));
    if (m_interlace < 1) {
        return Fail(LoadResString(ids::kPassResolutionBelowPrinter));
    }
    m_useMasks = m_passes >= 2 && task.maskMode == kMaskPass;
    if (m_useMasks && m_passes > CPassMasks::kMaxMasks) {
        return Fail(LoadResString(ids::kPassTooManyForMasks));
    }
    m_headLines = m_layout.groupRows * p.GroupNo;

    const int featherMode = CStepTable::FeatherMode(m_config);
    m_featherLines = CStepTable::FeatherLines(m_config, m_passes, m_interlace);
    StepTableInput st;
    st.headLines = m_headLines;
    st.passes = m_passes;
    st.interlace = m_interlace;
    st.groupNo = p.GroupNo;
    st.featherLines = m_featherLines;
    st.feathering = featherMode != 0;
    if (!m_stepTable.Build(st)) {
        return Fail(LoadResString(ids::kPassNoStepTable));
    }
    const int resumeLine = task.resume ? std::max(task.resumeLine, 0) : 0;

    const int ignoreBlank = p.IgnoreBlank == 1 ? 1 : 0;
    // The buffers hold the largest step, so that no step is ever too long to be read.
    const int error = m_reader.OpenForPrint(
        task.file, resumeLine,
        *std::max_element(m_stepTable.Entries().begin(), m_stepTable.Entries().end()), ignoreBlank);
    if (error != kRipOk) {
        return Fail(m_reader.ErrorText());
    }
    m_totalPasses = CStepTable::TotalPasses(m_reader.Height(), resumeLine, m_headLines, m_interlace,
                                            m_stepTable.Base());

    // Colour strips sit directly left and right of the image; blank skipping excludes them.
    const StripSettings strips =
        ignoreBlank == 0 ? StripsFor(m_config, task.resolutionX) : StripSettings{};
    const int rowBytes = strips.leftBytes + m_reader.BytesPerPlaneLine() + strips.rightBytes;

    const std::vector<int> offsets = HeadOffsets(m_config, task.resolutionX);
    const int spread = offsets.empty() ? 0 : *std::max_element(offsets.begin(), offsets.end());
    if (spread > 8 * CRipReader::kMaxBytesPerPlaneLine) {
        return Fail(FormatResString(ids::kPassHeadsTooFarApart,
                                    {FieldKeys(m_config, {&p.HeadHoriPosList})}));
    }
    m_fullLength = rowBytes * 8 + spread;
    if (MaxTransferWords() > kMaxTransferWords) {
        return Fail(LoadResString(ids::kPassImageTooWide));
    }

    const int channels = p.IfPrintWhite == 1 ? p.ColorNo : m_reader.PlaneCount();
    m_channels.clear();
    for (int c = 0; c < channels; ++c) {
        m_channels.emplace_back(c, task.direction != 2, task.direction == 0);
        m_channels.back().Init(
            m_headLines, m_interlace, m_reader.BytesPerPlaneLine(), strips, m_layout.groupRows,
            MakeHeadGroups(m_config, m_layout, c, offsets, m_fullLength), m_fullLength);
    }

    if (featherMode != 0 && m_featherLines > 0) {
        m_feather.Build(featherMode, m_featherLines, m_reader.BytesPerPlaneLine(),
                        p.FeatherWaveLength, task.resolutionX, m_random);
    } else {
        m_feather.Build(0, 0, 0, 0.0, task.resolutionX, m_random);
    }
    m_feed = std::make_unique<CFeedConverter>(m_config, task.printType, task.resolutionY);
    m_currentStep = m_stepTable.Entries().front();
    m_stepIndex = 1 % static_cast<int>(m_stepTable.Entries().size());
    m_passIndex = 0;
    m_printedLines = 0;
    m_maskRowOffset = 0;
    m_positionPasses.assign(static_cast<size_t>(m_interlace), 0);
    m_skippedFeed = 0;
    m_pendingSkipped = false;
    m_ownFeed = 0;
    m_copyGap = 0;
    m_dataRows = 0;
    m_ready = true;
    return true;
}

bool CPassGenerator::BuildMasks()
{
    if (!m_useMasks) {
        return true;
    }
    const bool built = m_config.IsAutoMaskGen == 0 ? m_masks.BuildFixed(m_passes)
                                                   : m_masks.BuildRandom(m_passes, m_random);
    if (!built) {
        return false;
    }
    if (m_config.IsDebug == 1) {
        if (!m_masks.Verify()) {
            GetUi().ShowMessage(LoadResString(ids::kMaskWrong), MessageIcon::Warning);
            return false;
        }
        m_masks.Dump(GetProgramDir());
    }
    return true;
}

void CPassGenerator::Prepare()
{
    if (!m_ready) {
        return;
    }
    // The blank test must see every line under the head, which spans H x k lines. Feathered
    // steps are shorter than a P-th of the head, so the seam lines stay under it for one chunk
    // more than P x k.
    const auto& steps = m_stepTable.Entries();
    const int shortest = std::max(*std::min_element(steps.begin(), steps.end()), 1);
    const int span = m_headLines * m_interlace;
    const int chunks = std::max(m_passes * m_interlace, (span + shortest - 1) / shortest);
    m_reader.ResetBlankWindow(chunks, 1);
    m_dataRows = m_reader.ReadChunk(m_currentStep);
}

int CPassGenerator::TravelPulses(double widthPixels) const
{
    const auto& p = m_config.params;
    double mm = 2.0 * p.MaxAccDist + widthPixels / m_task.resolutionX * 25.4;
    if (p.IfSpacePrint == 1) {
        mm += p.SpaceBeforePic + p.SpaceAfterPic;
    }
    return static_cast<int>(mm / p.MmPerPulseX);
}

int CPassGenerator::ComputeCopyGap(int lastFeed) const
{
    const auto& p = m_config.params;
    double headMm = p.RealPrinterResolution > 0.0
                        ? p.HeadHoleNo * p.GroupNo / p.RealPrinterResolution * 25.4
                        : 0.0;
    const int level = p.HeadLevelList.empty()
                          ? 0
                          : *std::max_element(p.HeadLevelList.begin(), p.HeadLevelList.end());
    if (level != 0) {
        headMm /= level;
    }
    return static_cast<int>((p.TaskGap - headMm) / p.MmPerPulseY + lastFeed);
}

PassOutcome CPassGenerator::BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& descriptor)
{
    PassOutcome out;
    if (!m_ready || Done() || m_channels.empty() ||
        static_cast<int64_t>(transfer.size()) < MaxTransferWords()) {
        return out;
    }
    const auto& p = m_config.params;
    const int pass = m_passIndex;
    const int step = m_currentStep;
    const int dataRows = m_dataRows;
    const auto& table = m_stepTable.Entries();
    const int nextStep = table[static_cast<size_t>(m_stepIndex)];
    // Read ahead: this pass uses the chunk read before.
    const int nextRows = m_reader.ReadChunk(nextStep);

    const bool ignoreBlank = p.IgnoreBlank == 1;
    for (auto& channel : m_channels) {
        channel.Advance(m_reader, step, dataRows, ignoreBlank);
    }
    const CHeadChannel& first = m_channels.front();
    const bool skipped = first.Skipped();
    const int length = first.PassLength();

    ChannelPass cp;
    cp.layout = m_layout;
    // The passes over a line are those whose nozzles sit at the line's interlace position,
    // and they must take the masks (or columns) in turn. Numbered per position they do; the
    // pass number does only when each cycle's passes share a position, and equal steps that
    // move every pass on by one position would give all passes over a line one mask. Without
    // interlace, and with the cycle corrections, the two numberings agree modulo P.
    const auto position = static_cast<size_t>((m_printedLines + step) % m_interlace);
    cp.passIndex = m_positionPasses[position]++;
    cp.passes = m_passes;
    cp.maskMode = m_task.maskMode;
    cp.useMasks = m_useMasks && m_masks.Count() > 0;
    cp.masks = &m_masks;
    // A nozzle's mask row is its image line plus a constant (H x k less the base step), so
    // that the passes printing a line read the same row of their complementary masks even
    // when interlaced steps differ. Without interlace every step is the base step.
    const int maskOffset = m_maskRowOffset + step - m_stepTable.Base();
    cp.maskRowOffset = (maskOffset % CPassMasks::kRows + CPassMasks::kRows) % CPassMasks::kRows;
    cp.feather = &m_feather;
    cp.featherPairRow = m_passes * m_stepTable.Base();
    cp.merger = m_merger;
    const auto passWords = static_cast<size_t>(m_layout.TransferWords(length));
    // All channels in one call, which also clears the pass's words, so that the merge can
    // sweep the transfer buffer once.
    m_inputs.clear();
    m_merging.clear();
    for (auto& channel : m_channels) {
        MergeInput in;
        if (channel.BeginMerge(cp, in)) {
            m_inputs.push_back(in);
            m_merging.push_back(&channel);
        }
    }
    m_merger->MergeChannels(m_inputs, transfer.first(passWords));
    for (CHeadChannel* channel : m_merging) {
        channel->EndMerge();
    }

    // The header's feed goes with this pass's own step (the printer feeds before printing the
    // pass), or, for a printer that feeds after the pass, with the next pass's step; the first
    // step then goes out before the first printed pass. Either way every printed pass lies at
    // the same media position, and the pulses are converted in the same order.
    const bool feedAfterPass = p.PassFeedAfter == 1;
    int leadFeed = 0;
    if (feedAfterPass && pass == 0) {
        leadFeed = m_feed->ToPulses(step);
        m_ownFeed = leadFeed;
    }
    const int ownFeed = feedAfterPass ? m_ownFeed : m_feed->ToPulses(step);
    const int feedAfter = feedAfterPass ? m_feed->ToPulses(nextStep) : ownFeed;
    m_ownFeed = feedAfter;
    const bool last = pass == m_totalPasses - 1;
    PassDescriptor d;
    const double r = m_task.resolutionX;
    const int left = first.LeftBlank();
    const int right = first.RightBlank();
    d[PassDescriptor::kWidth] = skipped ? 0 : length;
    d[PassDescriptor::kDataStart] =
        1 + static_cast<int>(p.MaxAccDist * r / 25.4) +
        (p.IfSpacePrint == 1 ? static_cast<int>(p.SpaceBeforePic * r / 25.4) : 0) +
        (first.LeftToRight() ? left * 8 : right * 8);
    if (pass == 0) {
        d[PassDescriptor::kFeedBefore] = std::max(m_task.incomingCopyGap, 0);
        d[PassDescriptor::kBackFeed] = std::max(-m_task.incomingCopyGap, 0);
    }
    d[PassDescriptor::kFeedAfter] = feedAfter;
    d[PassDescriptor::kTravel] = skipped ? 0 : TravelPulses(length + left * 8);
    d[PassDescriptor::kReturnMove] = TravelPulses(length);
    d[PassDescriptor::kPassIndex] = pass;
    d[PassDescriptor::kOne] = 1;
    d[PassDescriptor::kDirection] = first.LeftToRight() ? 1 : 0;

    out.handOver = !(skipped && !last);
    if (out.handOver) {
        d[PassDescriptor::kFirstFeed] = leadFeed;
        if (m_pendingSkipped) {
            d[PassDescriptor::kSkippedFeed] = m_skippedFeed;
            d[PassDescriptor::kSendSkipped] = 1;
        }
        m_skippedFeed = 0;
        m_pendingSkipped = false;
    } else {
        m_skippedFeed += leadFeed + feedAfter;
        m_pendingSkipped = true;
    }
    if (last && m_task.multiCopy) {
        m_copyGap = ComputeCopyGap(ownFeed);
        if (feedAfterPass) {
            // The printer has already fed past the last pass what the default pairing feeds
            // before the next copy: the printed last pass's feed, or a skipped one's own step.
            m_copyGap -= skipped ? ownFeed : feedAfter;
        }
    }
    descriptor = d;

    out.built = true;
    out.transferWords = skipped ? 0 : static_cast<int64_t>(passWords);
    out.skipped = skipped;
    out.last = last;
    out.step = step;
    out.dataRows = dataRows;

    for (auto& channel : m_channels) {
        channel.FinishPass();
    }
    m_printedLines += step;
    m_maskRowOffset = (m_maskRowOffset + step) % CPassMasks::kRows;
    m_currentStep = nextStep;
    m_stepIndex = (m_stepIndex + 1) % static_cast<int>(table.size());
    m_dataRows = nextRows;
    ++m_passIndex;
    return out;
}

}  // namespace tavolux
