// Head channel: ring rotation, blank skipping, strips, feathering and merge.
#include "print/HeadChannel.h"

#include <algorithm>
#include <cstring>

#include "print/FeatherMasks.h"
#include "print/NozzleMap.h"
#include "print/RipReader.h"

namespace tavolux {

CHeadChannel::CHeadChannel(int index, bool leftToRight, bool bidirectional)
    : m_index(index), m_leftToRight(leftToRight), m_bidirectional(bidirectional)
{
}

void CHeadChannel::Init(int headRows, int interlace, int imageBytes, const StripSettings& strips,
                        int groupRows, std::vector<HeadGroup> groups, int passLength)
{
    m_interlace = std::max(interlace, 1);
    m_strips = strips;
    m_imageOffset = strips.leftBytes;
    m_imageBytes = imageBytes;
    m_rowBytes = strips.leftBytes + imageBytes + strips.rightBytes;
    m_groupRows = groupRows;
    // The nozzles of an interlaced job are k lines apart: the head spans k lines per row.
    const auto rows = static_cast<size_t>(std::max(headRows, 0));
    const size_t lines = rows * static_cast<size_t>(m_interlace);
    m_store.assign(lines * static_cast<size_t>(m_rowBytes), 0);
    m_rowRing.resize(lines);
    for (size_t i = 0; i < lines; ++i) {
        m_rowRing[i] = m_store.data() + i * static_cast<size_t>(m_rowBytes);
    }
    m_nozzleRows.resize(rows);
    PickNozzleRows();
    m_fullGroups = std::move(groups);
    m_groups = m_fullGroups;
    m_fullLength = passLength;
    m_passLength = passLength;
    DrawStrips();
}

void CHeadChannel::PickNozzleRows()
{
    for (size_t n = 0; n < m_nozzleRows.size(); ++n) {
        m_nozzleRows[n] = m_rowRing[n * static_cast<size_t>(m_interlace)];
    }
}

void CHeadChannel::DrawStrips()
{
    if (m_strips.blockBytes <= 0 || (m_strips.leftBytes == 0 && m_strips.rightBytes == 0)) {
        return;
    }
    // Each group fills its own block of the strip, in its own nozzle rows.
    for (size_t r = 0; r < m_nozzleRows.size(); ++r) {
        uint8_t* row = m_nozzleRows[r];
        std::memset(row, 0, static_cast<size_t>(m_strips.leftBytes));
        std::memset(row + m_imageOffset + m_imageBytes, 0,
                    static_cast<size_t>(m_strips.rightBytes));
        const int g = m_groupRows > 0 ? static_cast<int>(r) / m_groupRows : 0;
        const int block = m_strips.colorNo * g + m_index;
        const int offset = block * m_strips.blockBytes;
        for (const auto& [base, width] :
             {std::pair{0, m_strips.leftBytes},
              std::pair{m_imageOffset + m_imageBytes, m_strips.rightBytes}}) {
            if (width > 0 && offset + m_strips.blockBytes <= width) {
                std::memset(row + base + offset, 0xFF, static_cast<size_t>(m_strips.blockBytes));
            }
        }
    }
}

void CHeadChannel::Advance(CRipReader& reader, int step, int dataRows, bool ignoreBlank)
{
    const int lines = static_cast<int>(m_rowRing.size());
    const int moved = std::clamp(step, 0, lines);
    std::rotate(m_rowRing.begin(), m_rowRing.begin() + moved, m_rowRing.end());
    if (moved > 0) {
        reader.CopyPlane(m_rowRing, lines - moved, moved, m_imageOffset, m_index, dataRows,
                         std::max(step - lines, 0));
    }
    PickNozzleRows();
    DrawStrips();

    m_groups = m_fullGroups;
    m_passLength = m_fullLength;
    m_skipped = false;
    m_leftBlank = 0;
    m_rightBlank = 0;
    if (!ignoreBlank) {
        return;
    }
    if (reader.IsHeadAreaBlank()) {
        m_skipped = true;
        m_passLength = 0;
        return;
    }
    reader.GetBlankMargins(m_leftBlank, m_rightBlank);
    if (reader.IsHeadAreaBlankAfterFirst()) {
        m_rightBlank = 0;
    }
    for (auto& g : m_groups) {
        g.start += m_leftBlank * 8;
        g.end -= m_rightBlank * 8;
    }
    m_passLength = std::max(m_fullLength - 8 * (m_leftBlank + m_rightBlank), 0);
    if (m_passLength == 0) {
        m_skipped = true;
    }
}

void CHeadChannel::ApplyFeather(const CFeatherMasks& feather, int pairRow)
{
    const int lines = feather.Lines();
    const int headRows = static_cast<int>(m_nozzleRows.size());
    m_savedLines = std::min(lines, headRows / 2);
    // The lower seam rows must be those that the upper ones meet again in the pass of the same
    // mask, or the seam's lines get A[i] and B[j] of different rows and lose pixels. When the
    // passes do not divide the head less the seam, that is not the head's last rows.
    m_pairRow = pairRow < 0 ? headRows - m_savedLines
                            : std::clamp(pairRow, m_savedLines, headRows - m_savedLines);
    const int width = std::min(feather.WidthBytes(), m_imageBytes);
    m_saveRows.resize(static_cast<size_t>(2 * m_savedLines) * static_cast<size_t>(m_rowBytes));
    for (int i = 0; i < m_savedLines; ++i) {
        uint8_t* top = m_nozzleRows[static_cast<size_t>(i)];
        const int bottomRow = m_pairRow + i;
        uint8_t* bottom = m_nozzleRows[static_cast<size_t>(bottomRow)];
        std::memcpy(
            m_saveRows.data() + static_cast<size_t>(2 * i) * static_cast<size_t>(m_rowBytes), top,
            static_cast<size_t>(m_rowBytes));
        std::memcpy(
            m_saveRows.data() + static_cast<size_t>(2 * i + 1) * static_cast<size_t>(m_rowBytes),
            bottom, static_cast<size_t>(m_rowBytes));
        const uint8_t* a = feather.A(i);
        const uint8_t* b = feather.B(i);
        for (int q = 0; q < width; ++q) {
            top[m_imageOffset + q] &= a[q];
            bottom[m_imageOffset + q] &= b[q];
        }
    }
}

void CHeadChannel::RestoreFeather()
{
    for (int i = 0; i < m_savedLines; ++i) {
        const int bottomRow = m_pairRow + i;
        std::memcpy(
            m_nozzleRows[static_cast<size_t>(i)],
            m_saveRows.data() + static_cast<size_t>(2 * i) * static_cast<size_t>(m_rowBytes),
            static_cast<size_t>(m_rowBytes));
        std::memcpy(
            m_nozzleRows[static_cast<size_t>(bottomRow)],
            m_saveRows.data() + static_cast<size_t>(2 * i + 1) * static_cast<size_t>(m_rowBytes),
            static_cast<size_t>(m_rowBytes));
    }
    m_savedLines = 0;
}

bool CHeadChannel::BeginMerge(const ChannelPass& pass, MergeInput& in)
{
    if (m_skipped) {
        return false;
    }
    if (pass.feather != nullptr && pass.feather->Lines() > 0) {
        ApplyFeather(*pass.feather, pass.featherPairRow);
    }
    in = MergeInput{};
    in.layout = pass.layout;
    in.channel = m_index;
    in.rows = m_nozzleRows;
    in.rowBytes = m_rowBytes;
    in.groups = m_groups;
    in.leftToRight = m_leftToRight;
    in.passLength = m_passLength;
    in.windowStart = 0;
    in.windowEnd = m_rowBytes * 8 - 1;
    in.passIndex = pass.passIndex;
    in.passes = pass.passes;
    in.maskMode = pass.maskMode;
    in.useMasks = pass.useMasks;
    in.masks = pass.masks;
    in.maskRowOffset = pass.maskRowOffset;
    in.interlace = m_interlace;
    return true;
}

void CHeadChannel::EndMerge()
{
    RestoreFeather();
}

void CHeadChannel::MergeInto(std::span<uint16_t> transfer, const ChannelPass& pass)
{
    MergeInput in;
    if (pass.merger == nullptr || !BeginMerge(pass, in)) {
        return;
    }
    pass.merger->Merge(in, transfer);
    EndMerge();
}

void CHeadChannel::FinishPass()
{
    if (m_bidirectional && !m_skipped) {
        m_leftToRight = !m_leftToRight;
    }
}

void CHeadChannel::SetNozzleLayout(const LayoutParams& layout)
{
    m_drawLayout = layout;
    m_hasDrawLayout = true;
}

void CHeadChannel::ClearRows()
{
    std::fill(m_store.begin(), m_store.end(), uint8_t{0});
    DrawStrips();
}

int CHeadChannel::NozzleCount() const
{
    return m_hasDrawLayout ? m_drawLayout.headHoleNo : m_groupRows;
}

int CHeadChannel::NozzleRowOf(int g, int n) const
{
    if (g < 0 || g >= GroupCount() || m_fullGroups[static_cast<size_t>(g)].slot < 0 || n < 0 ||
        n >= NozzleCount()) {
        return -1;
    }
    const int r = m_hasDrawLayout ? NozzleRow(m_drawLayout, g, n) : n;
    // Nozzles beyond the group's rows are the forbidden ones: they never print.
    if (r < 0 || r >= m_groupRows) {
        return -1;
    }
    const int row = g * m_groupRows + r;
    return row < static_cast<int>(m_nozzleRows.size()) ? row : -1;
}

void CHeadChannel::SetPixels(uint8_t* row, int x0, int x1)
{
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_imageBytes * 8 - 1);
    for (int x = x0; x <= x1; ++x) {
        const int p = x + m_imageOffset * 8;
        row[p / 8] |= static_cast<uint8_t>(0x80U >> (p % 8));
    }
}

void CHeadChannel::DrawNozzleSpan(int g, int n, int x0, int x1)
{
    const int row = NozzleRowOf(g, n);
    if (row >= 0) {
        SetPixels(m_nozzleRows[static_cast<size_t>(row)], x0, x1);
    }
}

void CHeadChannel::DrawColumn(int g, int x, int first, int last)
{
    for (int n = std::max(first, 0); n <= last && n < NozzleCount(); ++n) {
        DrawNozzleSpan(g, n, x, x);
    }
}

void CHeadChannel::DrawRowSpan(int row, int x0, int x1)
{
    if (row >= 0 && row < static_cast<int>(m_nozzleRows.size())) {
        SetPixels(m_nozzleRows[static_cast<size_t>(row)], x0, x1);
    }
}

void CHeadChannel::BlitGlyph(int g, int x, int n, const uint8_t* bitmap, int widthBytes, int rows,
                             GlyphInk ink)
{
    if (bitmap == nullptr || widthBytes <= 0) {
        return;
    }
    // The byte at or left of pixel x, also for a negative x.
    const int p = x + m_imageOffset * 8;
    const int first = p >= 0 ? p / 8 : -((-p + 7) / 8);
    // A head mounted upside down prints its higher nozzles first along the media: its glyph
    // rows go to the nozzles in reverse, so that the text reads upright on the media too.
    const bool reversed =
        m_hasDrawLayout && NozzleRow(m_drawLayout, g, 1) < NozzleRow(m_drawLayout, g, 0);
    for (int r = 0; r < rows; ++r) {
        const int row = NozzleRowOf(g, n + r);
        if (row < 0) {
            continue;
        }
        uint8_t* line = m_nozzleRows[static_cast<size_t>(row)];
        const int source = reversed ? rows - 1 - r : r;
        const uint8_t* src = bitmap + static_cast<ptrdiff_t>(source) * widthBytes;
        for (int b = 0; b < widthBytes; ++b) {
            const int at = first + b;
            if (at >= m_imageOffset && at < m_imageOffset + m_imageBytes) {
                line[at] = ink == GlyphInk::Merge ? line[at] | src[b] : src[b];
            }
        }
    }
}

}  // namespace tavolux
