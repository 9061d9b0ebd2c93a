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
#include "preview/PreviewPixel.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

// The hot loop counts set bits; use the processor's instruction where it has one.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define TAVOLUX_POPCNT_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define TAVOLUX_POPCNT_CLONES
#endif

namespace tavolux {

namespace {

// Adds to counts[column * kPreviewChannels + channel] the sampled set bits of each column.
TAVOLUX_POPCNT_CLONES
void CountPlaneLine(const uint8_t* plane, const uint8_t* mask, const PreviewColumnSpan* columns,
                    size_t columnCount, int64_t* counts, int channel)
{
    for (size_t c = 0; c < columnCount; ++c) {
        const PreviewColumnSpan& col = columns[c];
        int64_t n = 0;
        uint32_t j = col.first;
        for (; j + 8 <= col.end; j += 8) {
            uint64_t bits = 0;
            uint64_t sampled = 0;
            std::memcpy(&bits, plane + j, 8);
            std::memcpy(&sampled, mask + j, 8);
            n += std::popcount(bits & sampled);
        }
        for (; j < col.end; ++j) {
            n += std::popcount(static_cast<unsigned>(plane[j] & mask[j]));
        }
        n += std::popcount(static_cast<unsigned>(plane[col.edgeByte[0]] & col.edgeMask[0]));
        n += std::popcount(static_cast<unsigned>(plane[col.edgeByte[1]] & col.edgeMask[1]));
        counts[c * kPreviewChannels + static_cast<size_t>(channel)] += n;
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
            return LoadResString(ids::kOpenRipError);
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
    if (opened != 0) {
        return opened;
    }
    m_header =
        PreviewHeader{m_reader.PlaneCount(), m_reader.Height(),      m_reader.BytesPerPlaneLine(),
                      m_reader.Width(),      m_reader.XResolution(), m_reader.YResolution()};
    m_fileLength = m_reader.FileLength();
    if (!IsUsablePreviewHeader(m_header)) {
        m_reader.Close();
        return kPreviewHeaderError;
    }
    m_stride = PreviewStride(m_mode, m_fileLength);
    m_layout = ComputePreviewLayout(m_header, m_viewWidth, m_viewHeight, m_settings.isZoom,
                                    m_settings.maxScanLines);
    m_lineBytes = static_cast<size_t>(m_reader.LineBytes());
    m_linesPerRow = (m_layout.yStep + m_stride - 1) / m_stride;
    m_rowBytes = m_lineBytes * static_cast<size_t>(m_linesPerRow);
    m_samples = static_cast<int64_t>((m_layout.xStep + m_stride - 1) / m_stride) * m_linesPerRow;
    PlanColumns();
    PlanChannels();

    // White everywhere: the fill pixels at the end of each row stay white.
    m_bitmap.Allocate(m_layout.previewWidth + m_layout.rowFill, m_layout.previewHeight, 24, 0xFF);
    m_chunkCount = m_layout.previewHeight / m_linesPerChunk;
    m_tailLines = m_layout.previewHeight - m_chunkCount * m_linesPerChunk;
    GetUi().ReportProgress(0);
    RunThreads();
    GetUi().ReportProgress(100);
    m_reader.Close();
    return kPreviewOk;
}

void CPreviewBuilder::PlanColumns()
{
    const auto xStep = static_cast<uint32_t>(m_layout.xStep);
    const auto s = static_cast<uint32_t>(m_stride);
    m_sampleMask.assign(static_cast<size_t>(m_header.bytesPerPlaneLine), 0);
    m_columns.assign(static_cast<size_t>(m_layout.previewWidth), PreviewColumnSpan{});
    for (uint32_t px = 0; px < m_columns.size(); ++px) {
        const uint32_t a = px * xStep;
        const uint32_t b = a + xStep;
        for (uint32_t x = a; x < b; x += s) {
            m_sampleMask[x / 8] |= static_cast<uint8_t>(0x80U >> (x % 8));
        }
    }
    for (uint32_t px = 0; px < m_columns.size(); ++px) {
        const uint32_t a = px * xStep;
        const uint32_t b = a + xStep;
        PreviewColumnSpan& plan = m_columns[px];
        plan.first = (a + 7) / 8;
        plan.end = std::max(plan.first, b / 8);
        // Bytes the column shares with a neighbour: only its own bits of them count.
        int edge = 0;
        auto partial = [&](uint32_t byte) {
            uint8_t own = 0;
            for (uint32_t bit = 0; bit < 8; ++bit) {
                const uint32_t x = byte * 8 + bit;
                if (x >= a && x < b) {
                    own |= static_cast<uint8_t>(0x80U >> bit);
                }
            }
            plan.edgeByte[static_cast<size_t>(edge)] = byte;
            plan.edgeMask[static_cast<size_t>(edge)] = own & m_sampleMask[byte];
            ++edge;
        };
        if (a % 8 != 0) {
            partial(a / 8);
        }
        if (b % 8 != 0 && (b / 8 != a / 8 || a % 8 == 0)) {
            partial(b / 8);
        }
        if (b / 8 < plan.first) {
            plan.end = plan.first;  // the column lies inside one shared byte
        }
    }
}

void CPreviewBuilder::PlanChannels()
{
    // A file with 5 or 7 planes carries white in its last plane; the preview does not draw it.
    int channels = m_header.planeCount;
    if (channels == 5 || channels == 7) {
        --channels;
    }
    m_channels.clear();
    for (int c = 0; c < std::min(channels, kPreviewChannels); ++c) {
        // A file with fewer than four planes lacks the plane of some channels.
        const int plane = kPreviewPlaneMap[static_cast<size_t>(c)];
        if (plane < m_header.planeCount) {
            m_channels.emplace_back(c, plane);
        }
    }
}

void CPreviewBuilder::ReadRows(int firstRow, int rows, uint8_t* buffer) const
{
    for (int r = 0; r < rows; ++r) {
        const int64_t line0 = static_cast<int64_t>(firstRow + r) * m_layout.yStep;
        for (int j = 0; j < m_linesPerRow; ++j) {
            m_reader.ReadLine(line0 + static_cast<int64_t>(j) * m_stride,
                              buffer + static_cast<size_t>(r) * m_rowBytes +
                                  static_cast<size_t>(j) * m_lineBytes);
        }
    }
}

void CPreviewBuilder::PrefetchRows(int firstRow, int rows) const
{
    for (int r = 0; r < rows; ++r) {
        m_reader.Prefetch(static_cast<int64_t>(firstRow + r) * m_layout.yStep, m_linesPerRow,
                          m_stride);
    }
}

void CPreviewBuilder::ConvertRows(const uint8_t* buffer, int bufferRow, int first, int rows,
                                  std::vector<int64_t>& scratch)
{
    const PreviewColumnSpan* spans = m_columns.data();
    const size_t width = m_columns.size();
    const auto bpl = static_cast<size_t>(m_header.bytesPerPlaneLine);
    for (int row = first; row < first + rows; ++row) {
        scratch.assign(width * kPreviewChannels, 0);
        const uint8_t* lines = buffer + static_cast<size_t>(row - bufferRow) * m_rowBytes;
        for (int j = 0; j < m_linesPerRow; ++j) {
            const uint8_t* line = lines + static_cast<size_t>(j) * m_lineBytes;
            for (const auto& [channel, plane] : m_channels) {
                CountPlaneLine(line + static_cast<size_t>(plane) * bpl, m_sampleMask.data(), spans,
                               width, scratch.data(), channel);
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
    std::array<std::vector<uint8_t>, 2> buffers;
    buffers[0].resize(n > 0 ? chunkBytes : 0);
    buffers[1].resize(n > 1 ? chunkBytes : 0);
    std::vector<uint8_t> tail(static_cast<size_t>(m_tailLines) * m_rowBytes);

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
    PrefetchRows(0, std::min(chunk, m_layout.previewHeight));
    ReadRows(tailRow, m_tailLines, tail.data());
    std::thread tailWorker([&] {
        std::vector<int64_t> scratch;
        ConvertRows(tail.data(), tailRow, tailRow, m_tailLines, scratch);
        tailDone.Set();
    });

    if (n > 0) {
        ReadRows(0, chunk, buffers[0].data());
    }
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            chunkDone.Wait(AutoResetEvent::kInfinite);
        }
        {
            std::lock_guard lock(mutex);
            current = buffers[static_cast<size_t>(i % 2)].data();
            currentRow = i * chunk;
        }
        for (auto& event : start) {
            event.Set();
        }
        GetUi().ReportProgress(i * 100 / n);
        if (i + 2 < n) {
            PrefetchRows((i + 2) * chunk, chunk);
        }
        if (i + 1 < n) {
            ReadRows((i + 1) * chunk, chunk, buffers[static_cast<size_t>((i + 1) % 2)].data());
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
