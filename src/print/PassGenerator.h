// Cuts a RIP image into passes: step table, pass masks, feather masks, head channels, blank
// skipping, colour strips, transfer layouts and the pass descriptor of each pass. It runs on
// the calling thread, one pass per call, so that a print job can drive it from its producer
// thread and tests and tools can drive it directly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/PassDescriptor.h"
#include "print/FeatherMasks.h"
#include "print/FeedConverter.h"
#include "print/HeadChannel.h"
#include "print/PassMasks.h"
#include "print/RipReader.h"
#include "print/StepTable.h"
#include "print/TransferLayout.h"

namespace tavolux {

class CPrinterConfig;
class CRandomSource;

// The task as pass generation sees it.
struct PassTask {
    std::filesystem::path file;
    int resolutionX = 0;       // horizontal dpi of the job
    int resolutionY = 0;       // vertical dpi of the job
    int passes = 1;            // passes per head height
    int maskMode = kMaskNone;  // MaskMode
    int direction = 0;         // 0 both directions, 1 left to right only, 2 right to left only
    int printType = 0;         // selects the step calibration entry
    int speed = -1;            // entry of the speed list; -1: the configured Speed
    bool resume = false;       // start at resumeLine
    int resumeLine = 0;
    bool multiCopy = false;   // one of several copies: compute the copy gap at the end
    int incomingCopyGap = 0;  // gap left by the previous copy, in pulses (0 for the first)
};

// What BuildNextPass produced.
struct PassOutcome {
    bool built = false;         // false: no pass left (or Setup failed)
    int64_t transferWords = 0;  // 16-bit words of the pass (0 when it has no raster data)
    bool skipped = false;       // blank skipping left nothing to print
    bool handOver = true;       // false: a skipped pass whose feed goes with the next pass
    bool last = false;
    int step = 0;      // media step after the pass, in lines
    int dataRows = 0;  // image lines the pass took from the file
};

// The colour strips beside the image at xResolution when the configuration asks for them
// (none otherwise): their width in bytes and the block of each head group.
StripSettings StripsFor(const CPrinterConfig& config, int xResolution);
// Each head slot's horizontal offset in pixels at xResolution, from the leftmost head.
std::vector<int> HeadOffsets(const CPrinterConfig& config, int xResolution);
// The head groups of channel: their slots, carriage ranges over fullLength pixels shifted by the
// slot's offset, and their bits in the nozzle words.
std::vector<HeadGroup> MakeHeadGroups(const CPrinterConfig& config, const LayoutParams& layout,
                                      int channel, const std::vector<int>& offsets, int fullLength);

class CPassGenerator {
public:
    // merger: the merge implementation; null uses the fast one. random feeds masks,
    // feathering and white ink.
    CPassGenerator(const CPrinterConfig& config, CRandomSource& random,
                   CChannelMerger* merger = nullptr);
    ~CPassGenerator();
    CPassGenerator(const CPassGenerator&) = delete;
    CPassGenerator& operator=(const CPassGenerator&) = delete;

    // Step table, pass count, reader, channels and feather masks. False with ErrorText() when
    // the file or the settings cannot make a job.
    bool Setup(const PassTask& task);
    // The pass masks when the job uses them; with IsDebug they are checked and dumped beside
    // the program. False when the masks are wrong.
    bool BuildMasks();
    // Resets the blank window and reads the first chunk.
    void Prepare();
    // Builds the next pass into transfer (at least MaxTransferWords() words; it is cleared
    // first) and fills descriptor. Never blocks and never waits for the printer: a print job's
    // producer waits for a free transfer buffer before the call, and afterwards hands the
    // buffer over (2 x transferWords bytes) only when the outcome says handOver; a skipped
    // pass's feed is already carried into the next printed pass's descriptor. Stop requests
    // are checked by the caller between calls; PrintedLines() then gives the lines fed.
    // One thread at a time.
    PassOutcome BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& descriptor);

    bool Done() const { return m_passIndex >= m_totalPasses; }
    int TotalPasses() const { return m_totalPasses; }
    int PassIndex() const { return m_passIndex; }
    int64_t MaxTransferWords() const { return m_layout.TransferWords(m_fullLength); }
    int FullPassLength() const { return m_fullLength; }
    const std::string& ErrorText() const { return m_error; }
    const std::vector<int>& StepTable() const { return m_stepTable.Entries(); }
    int HeadLines() const { return m_headLines; }
    int Interlace() const { return m_interlace; }
    int FeatherLines() const { return m_featherLines; }
    bool UseMasks() const { return m_useMasks; }
    const CPassMasks& Masks() const { return m_masks; }
    const LayoutParams& Layout() const { return m_layout; }
    int PrintedLines() const { return m_printedLines; }
    // Gap to the next copy in pulses, known after the last pass of a multi-copy job.
    int CopyGap() const { return m_copyGap; }
    const std::vector<CHeadChannel>& Channels() const { return m_channels; }
    CRipReader& Reader() { return m_reader; }

private:
    int TravelPulses(double widthPixels) const;
    int ComputeCopyGap(int lastFeed) const;
    bool Fail(const std::string& text);

    const CPrinterConfig& m_config;
    CRandomSource& m_random;
    std::unique_ptr<CChannelMerger> m_ownMerger;
    CChannelMerger* m_merger;
    PassTask m_task;
    LayoutParams m_layout;
    CRipReader m_reader;
    CStepTable m_stepTable;
    CPassMasks m_masks;
    CFeatherMasks m_feather;
    std::unique_ptr<CFeedConverter> m_feed;
    std::vector<CHeadChannel> m_channels;
    std::vector<MergeInput> m_inputs;      // this pass's merge inputs, reused
    std::vector<CHeadChannel*> m_merging;  // the channels whose rows are being merged
    std::string m_error;

    int m_headLines = 0;
    int m_interlace = 1;
    int m_passes = 1;
    int m_featherLines = 0;
    bool m_useMasks = false;
    int m_stepIndex = 0;
    int m_currentStep = 0;
    int m_totalPasses = 0;
    int m_passIndex = 0;
    int m_dataRows = 0;  // lines of the chunk the next pass uses
    int m_printedLines = 0;
    int m_maskRowOffset = 0;
    std::vector<int> m_positionPasses;  // passes so far at each interlace position
    int m_fullLength = 0;               // carriage columns of an untrimmed pass
    int m_skippedFeed = 0;  // feed of the skipped passes waiting for the next printed one
    bool m_pendingSkipped = false;
    int m_ownFeed = 0;  // pulses of the current pass's own step, when headers carry the next
    int m_copyGap = 0;
    bool m_ready = false;
};

}  // namespace tavolux
