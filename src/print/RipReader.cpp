// RIP file reading: header, chunks with zero-filled short reads, blank window, plane copies.
#include "print/RipReader.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>
#include <system_error>

#include "config/PrinterConfig.h"
#include "platform/RandomSource.h"
#include "print/TransferLayout.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CRipReader::CRipReader(const CPrinterConfig* config, CRandomSource* random)
    : m_config(config), m_random(random)
{
}

CRipReader::~CRipReader()
{
    if (m_file.is_open()) {
        m_file.close();
    }
}

int CRipReader::OpenFile(const std::filesystem::path& path)
{
    Close();
    m_errorText.clear();
    std::error_code ec;
    m_fileLength = std::filesystem::file_size(path, ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        m_fileLength = 0;
        m_errorText = LoadResString(ids::kRipOpenError);
        return kRipOpenFailed;
    }
    m_file.open(path, std::ios::binary);
    if (!m_file.is_open()) {
        m_errorText = LoadResString(ids::kRipOpenError);
        return kRipOpenFailed;
    }
    const int error = ReadHeader();
    if (error != kRipOk) {
        m_file.close();
        return error;
    }
    m_isOpen = true;
    return kRipOk;
}

int CRipReader::ReadHeader()
{
    std::array<uint8_t, RipHeader::kBytes> raw{};
    m_file.read(reinterpret_cast<char*>(raw.data()), RipHeader::kBytes);
    if (m_file.gcount() != RipHeader::kBytes) {
        m_errorText = LoadResString(ids::kRipHeaderError);
        return kRipShortHeader;
    }
    m_header = RipHeader::FromBytes(raw);
    // The sizes drive every allocation, division and loop of a print job: refuse what no
    // printer could print rather than allocate gigabytes, divide by zero or scan for ever.
    m_errorText = CheckHeader();
    return m_errorText.empty() ? kRipOk : kRipBadHeader;
}

std::string CRipReader::CheckHeader() const
{
    if (const auto bad = m_header.FirstBadField()) {
        return FormatResString(ids::kRipHeaderField,
                               {bad->name, std::to_string(bad->value), std::to_string(bad->low),
                                std::to_string(bad->high)});
    }
    // A printing reader knows the heads: one plane line must fit the pass's transfer buffer.
    if (m_config != nullptr) {
        const int64_t words =
            LayoutParams::FromConfig(*m_config).TransferWords(8 * BytesPerPlaneLine());
        if (words > kMaxTransferWords) {
            return FormatResString(ids::kRipLineTooWide, {std::to_string(BytesPerPlaneLine())});
        }
    }
    return {};
}

int CRipReader::OpenForPreview(const std::filesystem::path& path)
{
    return OpenFile(path);
}

int CRipReader::OpenForPrint(const std::filesystem::path& path, int startLine, int chunkLines,
                             int ignoreBlank)
{
    int error = OpenFile(path);
    if (error != kRipOk) {
        return error;
    }
    const int64_t lineBytes = LineBytes();
    if (chunkLines < 0 || int64_t{chunkLines + kSpareLines} * lineBytes > kMaxChunkBytes) {
        m_errorText = LoadResString(ids::kRipHeaderAbsurd);
        Close();
        return kRipBadHeader;
    }
    Seek(RipHeader::kBytes + int64_t{std::max(startLine, 0)} * lineBytes, std::ios::beg);
    m_bufferLines = chunkLines + kSpareLines;
    const auto bytes = static_cast<size_t>(int64_t{m_bufferLines} * lineBytes);
    try {
        for (auto& b : m_buffer) {
            b.assign(bytes, 0);
        }
    } catch (const std::bad_alloc&) {
        // A memory limit below what the job needs ends the job, not the program.
        m_buffer = {};
        m_bufferLines = 0;
        m_errorText = LoadResString(ids::kRipNoMemory);
        Close();
        return kRipBadHeader;
    }
    m_spanLines = {0, 0};
    m_current = 0;
    m_ignoreBlank = ignoreBlank;
    return kRipOk;
}

uint64_t CRipReader::AnnouncedLength() const
{
    return RipHeader::kBytes + static_cast<uint64_t>(std::max(Height(), 0)) *
                                   static_cast<uint64_t>(std::max<int64_t>(LineBytes(), 0));
}

int64_t CRipReader::MissingLines() const
{
    const int64_t lineBytes = LineBytes();
    if (lineBytes <= 0 || Height() <= 0) {
        return 0;
    }
    const uint64_t data = m_fileLength > RipHeader::kBytes ? m_fileLength - RipHeader::kBytes : 0;
    const auto held = static_cast<int64_t>(data / static_cast<uint64_t>(lineBytes));
    return std::max<int64_t>(Height() - held, 0);
}

bool CRipReader::Seek(int64_t offset, std::ios::seekdir origin)
{
    if (!m_file.is_open()) {
        return false;
    }
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset), origin);
    return true;
}

void CRipReader::Close()
{
    if (m_file.is_open()) {
        m_file.close();
    }
    m_isOpen = false;
}

bool CRipReader::ReadRaw(void* buffer, int64_t bytes)
{
    if (!m_isOpen || bytes < 0) {
        return false;
    }
    m_file.clear();
    m_file.read(static_cast<char*>(buffer), static_cast<std::streamsize>(bytes));
    return m_file.gcount() == bytes;
}

bool CRipReader::ReadLines(void* buffer, int lines)
{
    return lines >= 0 && ReadRaw(buffer, int64_t{lines} * LineBytes());
}

int CRipReader::ReadChunk(int lines)
{
    if (!m_isOpen || lines > m_bufferLines || lines < 0) {
        return 0;
    }
    const int64_t lineBytes = LineBytes();
    const int64_t want = int64_t{lines} * lineBytes;
    auto& buffer = m_buffer[static_cast<size_t>(m_current)];
    m_file.clear();
    m_file.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want));
    const int64_t got = std::max<std::streamsize>(m_file.gcount(), 0);
    if (got < want) {
        std::memset(buffer.data() + got, 0, static_cast<size_t>(want - got));
    }
    m_spanLines[static_cast<size_t>(m_current)] = lines;
    if (m_ignoreBlank != 0) {
        PushBlankPair(buffer.data(), lines);
    }
    m_current ^= 1;
    return static_cast<int>(got / lineBytes);
}

void CRipReader::PushBlankPair(const uint8_t* chunk, int lines)
{
    const int width = BytesPerPlaneLine();
    int left = width;
    int right = width;
    for (int64_t planeLine = 0; planeLine < int64_t{lines} * PlaneCount(); ++planeLine) {
        const uint8_t* p = chunk + planeLine * width;
        int l = 0;
        while (l < width && p[l] == 0) {
            ++l;
        }
        int r = width;
        if (l < width) {
            r = 0;
            while (p[width - 1 - r] == 0) {
                ++r;
            }
        }
        left = std::min(left, l);
        right = std::min(right, r);
    }
    m_blankWindow.emplace_back(left, right);
    if (static_cast<int>(m_blankWindow.size()) > m_windowLength) {
        m_blankWindow.pop_front();
    }
}

void CRipReader::ResetBlankWindow(int headChunks, int extra)
{
    m_windowLength = m_ignoreBlank != 0 ? headChunks + extra : 0;
    m_headChunks = headChunks;
    m_blankWindow.assign(static_cast<size_t>(std::max(m_windowLength, 0)),
                         {BytesPerPlaneLine(), BytesPerPlaneLine()});
}

void CRipReader::GetBlankMargins(int& left, int& right) const
{
    left = BytesPerPlaneLine();
    right = BytesPerPlaneLine();
    for (const auto& [l, r] : m_blankWindow) {
        left = std::min(left, l);
        right = std::min(right, r);
    }
}

bool CRipReader::IsHeadAreaBlank() const
{
    for (int i = 0; i < m_headChunks && i < static_cast<int>(m_blankWindow.size()); ++i) {
        if (m_blankWindow[static_cast<size_t>(i)].first != BytesPerPlaneLine()) {
            return false;
        }
    }
    return true;
}

bool CRipReader::IsHeadAreaBlankAfterFirst() const
{
    for (int i = 1; i <= m_headChunks && i < static_cast<int>(m_blankWindow.size()); ++i) {
        if (m_blankWindow[static_cast<size_t>(i)].first != BytesPerPlaneLine()) {
            return false;
        }
    }
    return true;
}

void CRipReader::CopyFilePlane(std::span<uint8_t* const> rowTable, int firstRow, int rowCount,
                               int column, int plane, int chunkRow) const
{
    const auto& buffer = m_buffer[static_cast<size_t>(m_current)];
    const int span = m_spanLines[static_cast<size_t>(m_current)];
    const auto width = static_cast<size_t>(BytesPerPlaneLine());
    for (int i = 0; i < rowCount; ++i) {
        const int target = firstRow + i;
        uint8_t* dst = rowTable[static_cast<size_t>(target)] + column;
        // Rows past what the chunk's read covered hold older data: they are blank.
        const int source = chunkRow + i;
        if (source >= span || buffer.empty()) {
            std::memset(dst, 0, width);
            continue;
        }
        const uint8_t* src =
            buffer.data() + source * LineBytes() + int64_t{plane} * BytesPerPlaneLine();
        std::memcpy(dst, src, width);
    }
}

uint8_t CRipReader::WhiteByte(int level, CRandomSource& random)
{
    static constexpr std::array<std::array<uint8_t, 4>, 6> kLevels = {{
        {0x88, 0x44, 0x22, 0x11},
        {0x98, 0x91, 0x49, 0x54},
        {0xAA, 0x55, 0xCC, 0x99},
        {0xAB, 0xD6, 0x6B, 0x73},
        {0xDD, 0xB7, 0x6F, 0x7B},
        {0xBF, 0xEF, 0xFB, 0xF7},
    }};
    if (level == 1) {
        return static_cast<uint8_t>(0x80 >> (random.Rand() % 8));
    }
    if (level >= 2 && level <= 7) {
        return kLevels[static_cast<size_t>(level - 2)][static_cast<size_t>(random.Rand() % 4)];
    }
    return 0xFF;
}

int CRipReader::CopyPlane(std::span<uint8_t* const> rowTable, int firstRow, int rowCount,
                          int column, int channel, int dataRows, int chunkRow)
{
    if (channel < 0 || channel > PlaneCount() + 4 || rowCount > m_bufferLines || rowCount < 0 ||
        firstRow < 0 || int64_t{firstRow} + rowCount > static_cast<int64_t>(rowTable.size()) ||
        chunkRow < 0 || int64_t{chunkRow} + rowCount > m_bufferLines) {
        return 0;
    }
    const auto planeOf = [&](int c) { return c < 6 ? m_planeMap[static_cast<size_t>(c)] : c; };
    const auto copyMapped = [&](int c) {
        const int plane = planeOf(c);
        if (plane < PlaneCount()) {
            CopyFilePlane(rowTable, firstRow, rowCount, column, plane, chunkRow);
        }
    };
    if (m_config == nullptr || m_config->params.IfPrintWhite != 1) {
        copyMapped(channel);
        return 0;
    }
    const auto& p = m_config->params;
    const int colourChannels = p.ColorNo - p.WhiteColorNo;
    if (channel < colourChannels) {
        copyMapped(channel);
        return 0;
    }
    if (p.WhiteHeadDataSource != 0) {
        if ((PlaneCount() == 5 || PlaneCount() == 7) && colourChannels < PlaneCount()) {
            CopyFilePlane(rowTable, firstRow, rowCount, column, colourChannels, chunkRow);
        }
        return 0;
    }
    const auto width = static_cast<size_t>(BytesPerPlaneLine());
    for (int i = 0; i < rowCount; ++i) {
        const int target = firstRow + i;
        uint8_t* dst = rowTable[static_cast<size_t>(target)] + column;
        uint8_t value = 0;
        if (chunkRow + i < dataRows && m_random != nullptr) {
            value = WhiteByte(p.WhiteInkThickness, *m_random);
        }
        std::memset(dst, value, width);
    }
    return 0;
}

}  // namespace tavolux
