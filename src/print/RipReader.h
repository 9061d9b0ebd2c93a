// Reads RIP files (48-byte header, one bit per pixel, one plane per ink) chunk by chunk for
// printing, or by explicit seeks for the preview, and keeps the blank-margin window.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "print/RipHeader.h"

namespace tavolux {

class CPrinterConfig;
class CRandomSource;

// Error codes of OpenForPreview; the numbers are those the main frame maps to its messages.
enum RipError : int {
    kRipOk = 0,
    kRipOpenFailed = 2,   // the file cannot be opened
    kRipShortHeader = 3,  // fewer than 48 header bytes
    kRipBadHeader = 4,    // a field outside what any printer can use (ErrorText names it)
};

class CRipReader {
public:
    static constexpr int kSpareLines = 25;  // room for step corrections without reallocation
    // The header's limits, here too for the callers that size files against the reader.
    static constexpr int kMaxResolution = RipHeader::kMaxResolution;
    static constexpr int kMaxPlanes = RipHeader::kMaxPlanes;
    static constexpr int kWidestPrintMm = RipHeader::kWidestPrintMm;
    static constexpr int kLongestPrintMm = RipHeader::kLongestPrintMm;
    // Bytes of one plane line at the widest printable width at the highest resolution.
    static constexpr int kMaxBytesPerPlaneLine =
        static_cast<int>(int64_t{kWidestPrintMm} * kMaxResolution * 10 / 254 / 8 + 1);
    // 16-bit words of one pass's transfer buffer.
    static constexpr int64_t kMaxTransferWords = int64_t{1} << 28;
    static constexpr int64_t kMaxChunkBytes = int64_t{1} << 30;

    // config and random may be null: then only the colour planes are served and white data
    // is not generated (preview, command-line inspection).
    explicit CRipReader(const CPrinterConfig* config = nullptr, CRandomSource* random = nullptr);
    virtual ~CRipReader();
    CRipReader(const CRipReader&) = delete;
    CRipReader& operator=(const CRipReader&) = delete;

    // Reads the next `lines` image lines into the current buffer; the span beyond the end of
    // the file is zeroed. Returns the whole lines read; 0 when not open or lines is too many.
    virtual int ReadChunk(int lines);
    // Reads `bytes` bytes at the file position; true when all arrived.
    virtual bool ReadRaw(void* buffer, int64_t bytes);
    // Reads `lines` whole image lines; true when all arrived.
    virtual bool ReadLines(void* buffer, int lines);
    // Copies one colour channel of the chunk read before the latest ReadChunk into rows
    // rowTable[firstRow + i] + column (BytesPerPlaneLine bytes each), or generates white ink.
    // chunkRow: the first chunk row copied (a step longer than the head keeps its newest rows).
    virtual int CopyPlane(std::span<uint8_t* const> rowTable, int firstRow, int rowCount,
                          int column, int channel, int dataRows, int chunkRow = 0);
    // Seeks the file (origin: std::ios::beg, cur or end) with a 64-bit offset.
    virtual bool Seek(int64_t offset, std::ios::seekdir origin);
    virtual void Close();

    // Opens for the preview and the task list; allocates no buffers. Returns a RipError.
    int OpenForPreview(const std::filesystem::path& path);
    // Opens for printing, positioned at startLine, with two buffers of chunkLines + 25 lines.
    // Failure leaves IsOpen() false; every read then returns 0 or false. Returns a RipError.
    int OpenForPrint(const std::filesystem::path& path, int startLine, int chunkLines,
                     int ignoreBlank);

    void ResetBlankWindow(int headChunks, int extra);
    void GetBlankMargins(int& left, int& right) const;
    bool IsHeadAreaBlank() const;
    bool IsHeadAreaBlankAfterFirst() const;

    bool IsOpen() const { return m_isOpen; }
    const RipHeader& Header() const { return m_header; }
    int PlaneCount() const { return m_header.PlaneCount(); }
    int Height() const { return m_header.Height(); }
    int Width() const { return m_header.Width(); }
    int BytesPerPlaneLine() const { return m_header.BytesPerPlaneLine(); }
    int XResolution() const { return m_header.XResolution(); }
    int YResolution() const { return m_header.YResolution(); }
    uint64_t FileLength() const { return m_fileLength; }
    int BufferLines() const { return m_bufferLines; }
    int64_t LineBytes() const { return m_header.LineBytes(); }
    // Bytes the header announces: header plus Height whole lines.
    uint64_t AnnouncedLength() const;
    // Lines the header announces beyond the whole lines the file holds (they print blank).
    int64_t MissingLines() const;
    // Bytes held by the two chunk buffers (0 until a print open allocated them).
    size_t BufferBytes() const { return m_buffer[0].size() + m_buffer[1].size(); }
    static int64_t MaxBytesPerPlaneLine(int xResolution)
    {
        return RipHeader::MaxBytesPerPlaneLine(xResolution);
    }
    static int64_t MaxHeight(int yResolution) { return RipHeader::MaxHeight(yResolution); }
    // Why the last open failed, empty when it did not.
    const std::string& ErrorText() const { return m_errorText; }
    // The blank window, oldest chunk first (for tests and diagnostics).
    const std::deque<std::pair<int, int>>& BlankWindow() const { return m_blankWindow; }

    // The byte per row of generated white ink at a density level (1..7, else solid).
    static uint8_t WhiteByte(int level, CRandomSource& random);

private:
    int OpenFile(const std::filesystem::path& path);
    int ReadHeader();
    // Empty when every header field lies in its range, else the message naming the first one
    // that does not.
    std::string CheckHeader() const;
    void PushBlankPair(const uint8_t* chunk, int lines);
    void CopyFilePlane(std::span<uint8_t* const> rowTable, int firstRow, int rowCount, int column,
                       int plane, int chunkRow) const;

    std::array<std::vector<uint8_t>, 2> m_buffer;
    std::array<int, 2> m_spanLines{};  // lines of each buffer that the last read covered
    int m_current = 0;
    int m_bufferLines = 0;
    int m_ignoreBlank = 0;
    std::deque<std::pair<int, int>> m_blankWindow;
    int m_windowLength = 0;
    int m_headChunks = 0;
    static constexpr std::array<int, 6> m_planeMap = {3, 2, 1, 0, 4, 5};
    bool m_isOpen = false;
    uint64_t m_fileLength = 0;
    const CPrinterConfig* m_config;
    CRandomSource* m_random;
    std::ifstream m_file;
    RipHeader m_header;  // the sizes as read; every size of the reader is taken from it
    std::string m_errorText;
};

}  // namespace tavolux
