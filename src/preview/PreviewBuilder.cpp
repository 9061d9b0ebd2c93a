// The preview builder: sampling plan, reading of the sampled lines, and the worker threads.
#include "preview/PreviewBuilder.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <mutex>
#include <thread>

#include "config/PrinterConfig.h"
#include "platform/AutoResetEvent.h"
#include "platform/UiFacade.h"
#include "preview/LineBuffer.h"
#include "preview/PreviewPixel.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

// The hot loop counts set bits; use the processor's instruction where it has one. Not under
// ThreadSanitizer: the clone's resolver runs before the sanitizer's start-up and crashes.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define TAVOLUX_POPCNT_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define TAVOLUX_POPCNT_CLONES
#endif

namespace tavolux {

namespace {

// Chunks whose sampled lines are requested from the disk ahead of reading them: enough reads in
// flight to keep the disk busy, while the cache holds only a few chunks more than it needs.
constexpr int kPrefetchChunks = 4;

// Most memory a preview may take for its bitmap and line buffers.
constexpr uint64_t kMaxPreviewMemory = 2ULL << 30;

// The first r pixels of a 64-pixel word loaded in memory order: whole bytes are the low bits,
// and inside a byte the leftmost pixel is the highest bit.
constexpr std::array<uint64_t, 64> MakeLeadingPixels()
{
    std::array<uint64_t, 64> masks{};
    for (unsigned r = 0; r < 64; ++r) {
        const unsigned whole = r / 8;
        const uint64_t low = whole == 0 ? 0 : (~0ULL >> (64 - 8 * whole));
        const uint64_t part = static_cast<uint64_t>((0xFF00U >> (r % 8)) & 0xFFU) << (8 * whole);
        masks[r] = low | part;
    }
    return masks;
}
constexpr std::array<uint64_t, 64> kLeadingPixels = MakeLeadingPixels();

// Adds to counts[column * kPreviewChannels + channel] the sampled set bits of each column of
// `step` pixels. Works by running sums over 64-pixel words, so the cost per line is one
// population count per word plus one per column, whatever the step.
TAVOLUX_POPCNT_CLONES
void CountPlaneLine(const uint8_t* plane, size_t usedBytes, const uint64_t* mask, size_t columns,
                    uint32_t step, int64_t* counts, int channel, std::vector<uint64_t>& masked,
                    std::vector<uint32_t>& prefix)
{
    const size_t words = (usedBytes + 7) / 8;
    masked.resize(words + 1);
    prefix.resize(words + 1);
    uint32_t sum = 0;
    for (size_t w = 0; w < words; ++w) {
        uint64_t bits = 0;
        std::memcpy(&bits, plane + w * 8, std::min<size_t>(8, usedBytes - w * 8));
        masked[w] = bits & mask[w];
        prefix[w] = sum;
        sum += static_cast<uint32_t>(std::popcount(masked[w]));
    }
    masked[words] = 0;
    prefix[words] = sum;
    // Sampled set bits left of pixel x.
    auto before = [&](uint64_t x) {
        const size_t w = x / 64;
        return prefix[w] + static_cast<uint32_t>(std::popcount(masked[w] & kLeadingPixels[x % 64]));
    };
    uint32_t left = 0;
    for (size_t c = 0; c < columns; ++c) {
        const uint32_t right = before(static_cast<uint64_t>(c + 1) * step);
        counts[c * kPreviewChannels + static_cast<size_t>(channel)] += right - left;
        left = right;
    }
}

}  // namespace

PreviewSettings PreviewSettings::FromConfig(const CPrinterConfig& config)
{
    return PreviewSettings{config.IsZoom, config.params.MaxScanLines};
}

std::string PreviewErrorText(int code)
{
    switch (code) {
        case kPreviewThreadSplit:
            return LoadResString(ids::kPreviewThreadSplit);
        case kPreviewOpenError:
            return LoadResString(ids::kRipOpenError);
        case kPreviewHeaderError:
            return LoadResString(ids::kRipHeaderError);
        default:
            return {};
    }
}

bool IsOtherPreviewFormat(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return ext != ".prn" && ext != ".prt";
}

CPreviewBuilder::CPreviewBuilder(std::filesystem::path path, bool isOtherFormat, int viewWidth,
                                 int viewHeight, int mode, PreviewSettings settings)
    : m_path(std::move(path)),
      m_isOtherFormat(isOtherFormat),
      m_viewWidth(viewWidth),
      m_viewHeight(viewHeight),
      m_mode(mode),
      m_settings(settings)
{
}

int CPreviewBuilder::Build()
{
    static_assert(m_linesPerChunk % m_threadCount == 0, "each worker takes whole chunk lines");
    if (m_linesPerChunk % m_threadCount != 0) {
        return kPreviewThreadSplit;
    }
    if (m_isOtherFormat) {
        return kPreviewOtherFormat;
    }
    const int opened = m_reader.OpenForPreview(m_path);
    if (opened == kRipOpenFailed) {
        return kPreviewOpenError;
    }
    if (opened != kRipOk) {
        return kPreviewHeaderError;  // short, or sizes that describe no raster
    }
    // The reader refused every unusable size; a file of no lines has nothing to draw.
    m_header = m_reader.Header();
    m_fileLength = m_reader.FileLength();
    if (m_header.Height() == 0) {
        m_reader.Close();
        return kPreviewHeaderError;
    }
    m_readAhead.Open(m_path);
    m_stride = PreviewStride(m_mode, m_fileLength);
    m_layout = ComputePreviewLayout(m_header, m_viewWidth, m_viewHeight, m_settings.isZoom,
                                    m_settings.maxScanLines);
    m_lineBytes = static_cast<size_t>(m_reader.LineBytes());
    m_linesPerRow = (m_layout.yStep + m_stride - 1) / m_stride;
    m_rowBytes = m_lineBytes * static_cast<size_t>(m_linesPerRow);
    m_samples = static_cast<int64_t>((m_layout.xStep + m_stride - 1) / m_stride) * m_linesPerRow;
    // An unzoomed preview of a long, wide file would need gigabytes: refuse it as a header the
    // preview cannot hold rather than fail to allocate.
    const uint64_t bitmapBytes = static_cast<uint64_t>(m_layout.previewWidth + m_layout.rowFill) *
                                 3 * static_cast<uint64_t>(m_layout.previewHeight);
    const uint64_t bufferBytes = 3ULL * m_linesPerChunk * m_rowBytes;
    if (bitmapBytes + bufferBytes > kMaxPreviewMemory) {
        m_readAhead.Close();
        m_reader.Close();
        return kPreviewHeaderError;
    }
    PlanSamples();
    PlanChannels();

    // White everywhere: the fill pixels at the end of each row stay white.
    m_bitmap.Allocate(m_layout.previewWidth + m_layout.rowFill, m_layout.previewHeight, 24, 0xFF);
    m_chunkCount = m_layout.previewHeight / m_linesPerChunk;
    m_tailLines = m_layout.previewHeight - m_chunkCount * m_linesPerChunk;
    GetUi().ReportProgress(0);
    RunThreads();
    m_readAhead.Close();
    m_reader.Close();
    if (m_stop) {
        return kPreviewStopped;
    }
    GetUi().ReportProgress(100);
    return kPreviewOk;
}

void CPreviewBuilder::PlanSamples()
{
    const auto xStep = static_cast<uint64_t>(m_layout.xStep);
    const auto s = static_cast<uint64_t>(m_stride);
    m_usedBytes = (static_cast<size_t>(m_layout.usableWidth) + 7) / 8;
    std::vector<uint8_t> bytes((m_usedBytes + 7) / 8 * 8, 0);
    for (uint64_t a = 0; a < static_cast<uint64_t>(m_layout.usableWidth); a += xStep) {
        for (uint64_t x = a; x < a + xStep; x += s) {
            bytes[x / 8] |= static_cast<uint8_t>(0x80U >> (x % 8));
        }
    }
    m_sampleMask.assign(bytes.size() / 8, 0);
    std::memcpy(m_sampleMask.data(), bytes.data(), bytes.size());
}

void CPreviewBuilder::PlanChannels()
{
    // A file with 5 or 7 planes carries white in its last plane; the preview does not draw it.
    int channels = m_header.PlaneCount();
    if (channels == 5 || channels == 7) {
        --channels;
    }
    m_channels.clear();
    for (int c = 0; c < std::min(channels, kPreviewChannels); ++c) {
        // A file with fewer than four planes lacks the plane of some channels.
        const int plane = kPreviewPlaneMap[static_cast<size_t>(c)];
        if (plane < m_header.PlaneCount()) {
            m_channels.emplace_back(c, plane);
        }
    }
}

void CPreviewBuilder::ReadLine(int64_t line, uint8_t* buffer)
{
    const uint64_t offset = RipHeader::kBytes + static_cast<uint64_t>(line) * m_lineBytes;
    const uint64_t available = offset < m_fileLength ? m_fileLength - offset : 0;
    if (available >= m_lineBytes) {
        m_reader.Seek(static_cast<int64_t>(offset), std::ios::beg);
        if (m_reader.ReadLines(buffer, 1)) {
            return;
        }
    }
    // The end of a short file, or a file that shrank while it was read: blank from there on.
    std::memset(buffer, 0, m_lineBytes);
    if (available > 0) {
        m_reader.Seek(static_cast<int64_t>(offset), std::ios::beg);
        m_reader.ReadRaw(buffer, static_cast<int64_t>(std::min<uint64_t>(available, m_lineBytes)));
    }
}

void CPreviewBuilder::ReadRows(int firstRow, int rows, uint8_t* buffer)
{
    for (int r = 0; r < rows && !m_stop; ++r) {
        const int64_t line0 = static_cast<int64_t>(firstRow + r) * m_layout.yStep;
        for (int j = 0; j < m_linesPerRow && !m_stop; ++j) {
            ReadLine(line0 + static_cast<int64_t>(j) * m_stride,
                     buffer + static_cast<size_t>(r) * m_rowBytes +
                         static_cast<size_t>(j) * m_lineBytes);
        }
    }
}

void CPreviewBuilder::PrefetchRows(int firstRow, int rows) const
{
    for (int r = 0; r < rows && !m_stop; ++r) {
        const int64_t line0 = static_cast<int64_t>(firstRow + r) * m_layout.yStep;
        for (int j = 0; j < m_linesPerRow; ++j) {
            const auto line = static_cast<uint64_t>(line0 + static_cast<int64_t>(j) * m_stride);
            m_readAhead.WillNeed(RipHeader::kBytes + line * m_lineBytes, m_lineBytes);
        }
    }
}

void CPreviewBuilder::ConvertRows(const uint8_t* buffer, int bufferRow, int first, int rows,
                                  std::vector<int64_t>& scratch)
{
    const auto width = static_cast<size_t>(m_layout.previewWidth);
    const auto bpl = static_cast<size_t>(m_header.BytesPerPlaneLine());
    const auto step = static_cast<uint32_t>(m_layout.xStep);
    std::vector<uint64_t> masked;
    std::vector<uint32_t> prefix;
    for (int row = first; row < first + rows && !m_stop; ++row) {
        scratch.assign(width * kPreviewChannels, 0);
        const uint8_t* lines = buffer + static_cast<size_t>(row - bufferRow) * m_rowBytes;
        for (int j = 0; j < m_linesPerRow && !m_stop; ++j) {
            const uint8_t* line = lines + static_cast<size_t>(j) * m_lineBytes;
            for (const auto& [channel, plane] : m_channels) {
                CountPlaneLine(line + static_cast<size_t>(plane) * bpl, m_usedBytes,
                               m_sampleMask.data(), width, step, scratch.data(), channel, masked,
                               prefix);
            }
        }
        uint8_t* out = m_bitmap.Row(row);
        for (size_t px = 0; px < width; ++px) {
            PixelCounts counts;
            counts.samples = m_samples;
            std::copy_n(scratch.data() + px * kPreviewChannels, kPreviewChannels,
                        counts.set.begin());
            const auto bgr = PreviewPixelColour(counts);
            std::copy(bgr.begin(), bgr.end(), out + px * 3);
        }
    }
}

void CPreviewBuilder::RunThreads()
{
    const int n = m_chunkCount;
    const int chunk = m_linesPerChunk;
    const int share = m_linesPerChunk / m_threadCount;
    const size_t chunkBytes = static_cast<size_t>(chunk) * m_rowBytes;
    // Two chunk buffers: the next chunk is read while the workers convert the current one.
    std::array<CLineBuffer, 2> buffers{CLineBuffer(n > 0 ? chunkBytes : 0),
                                       CLineBuffer(n > 1 ? chunkBytes : 0)};
    CLineBuffer tail(static_cast<size_t>(m_tailLines) * m_rowBytes);

    std::array<AutoResetEvent, m_threadCount> start;
    AutoResetEvent chunkDone;
    AutoResetEvent workersDone;
    AutoResetEvent tailDone;
    std::mutex mutex;
    int done = 0;                      // guarded by mutex
    int finished = 0;                  // guarded by mutex
    const uint8_t* current = nullptr;  // guarded by mutex: the chunk being converted
    int currentRow = 0;                // guarded by mutex: its first preview row

    std::vector<std::thread> workers;
    workers.reserve(m_threadCount);
    for (int t = 0; t < m_threadCount; ++t) {
        workers.emplace_back([&, t] {
            std::vector<int64_t> scratch;
            for (int i = 0; i < n; ++i) {
                start[static_cast<size_t>(t)].Wait(AutoResetEvent::kInfinite);
                const uint8_t* buffer = nullptr;
                int row = 0;
                {
                    std::lock_guard lock(mutex);
                    buffer = current;
                    row = currentRow;
                }
                ConvertRows(buffer, row, row + share * t, share, scratch);
                std::lock_guard lock(mutex);
                if (++done == m_threadCount) {
                    done = 0;
                    chunkDone.Set();
                }
            }
            std::lock_guard lock(mutex);
            if (++finished == m_threadCount) {
                workersDone.Set();
            }
        });
    }

    const int tailRow = n * chunk;
    PrefetchRows(tailRow, m_tailLines);
    PrefetchRows(0, std::min(kPrefetchChunks * chunk, m_layout.previewHeight));
    ReadRows(tailRow, m_tailLines, tail.Data());
    std::thread tailWorker([&] {
        std::vector<int64_t> scratch;
        ConvertRows(tail.Data(), tailRow, tailRow, m_tailLines, scratch);
        tailDone.Set();
    });

    if (n > 0) {
        ReadRows(0, chunk, buffers[0].Data());
    }
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            chunkDone.Wait(AutoResetEvent::kInfinite);
        }
        {
            std::lock_guard lock(mutex);
            current = buffers[static_cast<size_t>(i % 2)].Data();
            currentRow = i * chunk;
        }
        for (auto& event : start) {
            event.Set();
        }
        if (!m_stop) {
            GetUi().ReportProgress(i * 100 / n);
        }
        if (i + kPrefetchChunks < n && !m_stop) {
            PrefetchRows((i + kPrefetchChunks) * chunk, chunk);
        }
        if (i + 1 < n) {
            ReadRows((i + 1) * chunk, chunk, buffers[static_cast<size_t>((i + 1) % 2)].Data());
        }
    }
    workersDone.Wait(AutoResetEvent::kInfinite);
    tailDone.Wait(AutoResetEvent::kInfinite);
    for (auto& worker : workers) {
        worker.join();
    }
    tailWorker.join();
}

}  // namespace tavolux
