// Builds the colour preview of a RIP file: samples the raster at a stride chosen by mode or file
// size, scales it to the view and converts it on five worker threads plus a tail worker while
// the calling thread reads only the lines that are sampled.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/DibImage.h"
#include "preview/PreviewLayout.h"
#include "preview/ReadAhead.h"
#include "print/RipReader.h"

namespace tavolux {

class CPrinterConfig;

// The configuration values the preview reads.
struct PreviewSettings {
    int isZoom = 1;        // 0: one file pixel per preview pixel
    int maxScanLines = 0;  // most lines previewed; 0 or less: all
    static PreviewSettings FromConfig(const CPrinterConfig& config);
};

// Result codes of Build.
inline constexpr int kPreviewOk = 0;
inline constexpr int kPreviewThreadSplit = 1;   // the chunk does not divide among the workers
inline constexpr int kPreviewOpenError = 2;     // the file cannot be opened
inline constexpr int kPreviewHeaderError = 3;   // shorter than its header, or no raster in it
inline constexpr int kPreviewOtherFormat = -1;  // not a RIP file: nothing built
inline constexpr int kPreviewStopped = -2;  // RequestStop ended the build: the bitmap is partial

// The message for a result code of Build, in the current language; empty for 0 and -1.
std::string PreviewErrorText(int code);

// True when the extension is neither "prn" nor "prt" (any case).
bool IsOtherPreviewFormat(const std::filesystem::path& path);

class CPreviewBuilder {
public:
    static constexpr int m_linesPerChunk = 50;  // preview lines per chunk
    static constexpr int m_threadCount = 5;     // workers sharing each chunk
    static constexpr double m_lightWeight = 0.4;

    // mode: kPreviewAuto or a stride (2, 3, 4, 8).
    CPreviewBuilder(std::filesystem::path path, bool isOtherFormat, int viewWidth, int viewHeight,
                    int mode, PreviewSettings settings);

    // Builds the bitmap. Returns kPreviewOk or one of the codes above. Reports progress through
    // the UI facade; blocks until every worker has finished.
    int Build();
    // Any thread: the running (or next) Build stops after the file line it is on, lets its
    // workers run out without reading or converting, and returns kPreviewStopped.
    void RequestStop() { m_stop = true; }

    const RipHeader& Header() const { return m_header; }
    uint64_t FileLength() const { return m_fileLength; }
    int Stride() const { return m_stride; }
    const PreviewLayout& Layout() const { return m_layout; }
    // Chunks converted by the five workers and lines converted by the tail worker.
    int ChunkCount() const { return m_chunkCount; }
    int TailLines() const { return m_tailLines; }
    // The 24-bit top-down bitmap: previewWidth + rowFill pixels per row, fill pixels white.
    const DibImage& Bitmap() const { return m_bitmap; }

private:
    void PlanSamples();
    void PlanChannels();
    // Reads the sampled lines of preview rows [firstRow, firstRow + rows) into buffer.
    void ReadRows(int firstRow, int rows, uint8_t* buffer);
    void PrefetchRows(int firstRow, int rows) const;
    // Reads image line `line` into buffer; what lies beyond the end of the file reads as blank.
    void ReadLine(int64_t line, uint8_t* buffer);
    // Converts preview rows [first, first + rows) whose sampled lines start at buffer; the rows
    // of buffer are relative to bufferRow.
    void ConvertRows(const uint8_t* buffer, int bufferRow, int first, int rows,
                     std::vector<int64_t>& scratch);
    void RunThreads();

    std::filesystem::path m_path;
    bool m_isOtherFormat = false;
    int m_viewWidth = 0;
    int m_viewHeight = 0;
    int m_mode = 0;
    PreviewSettings m_settings;

    CRipReader m_reader;
    CReadAhead m_readAhead;
    RipHeader m_header;
    uint64_t m_fileLength = 0;
    int m_stride = 0;
    PreviewLayout m_layout;
    int m_linesPerRow = 0;  // sampled file lines per preview row
    size_t m_lineBytes = 0;
    size_t m_rowBytes = 0;               // sampled lines of one preview row
    int64_t m_samples = 0;               // samples per channel in one preview pixel
    size_t m_usedBytes = 0;              // bytes of a plane line that hold the usable width
    std::vector<uint64_t> m_sampleMask;  // sampled bits of a plane line, as the line's words
    std::vector<std::pair<int, int>> m_channels;  // (channel, file plane) drawn
    int m_chunkCount = 0;
    int m_tailLines = 0;
    DibImage m_bitmap;
    std::atomic<bool> m_stop{false};
};

}  // namespace tavolux
