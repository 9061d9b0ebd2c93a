// Fast channel merge: byte-wise masking, one shift per row into carriage order, then tiled
// scatter of the set bits into the nozzle words.
#include "print/FastMerge.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "print/PassMasks.h"

namespace tavolux {

namespace {

constexpr int kTileBytes = 8;  // carriage columns / 8 per tile: the tile's words stay in L1/L2

std::array<uint8_t, 256> MakeReverseTable()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int b = 0; b < 8; ++b) {
            if ((i & (1 << b)) != 0) {
                r |= 0x80 >> b;
            }
        }
        t[static_cast<size_t>(i)] = static_cast<uint8_t>(r);
    }
    return t;
}

const std::array<uint8_t, 256> kReverse = MakeReverseTable();

}  // namespace

void CFastMerge::MaskRow(const MergeInput& in, int row)
{
    const uint8_t* src = in.rows[static_cast<size_t>(row)];
    uint8_t* dst = m_masked.data() + m_pad;
    const uint8_t* window = m_interleave.data();
    const auto bytes = static_cast<size_t>(in.rowBytes);
    if (in.maskMode == kMaskPass && in.useMasks && in.masks != nullptr && in.masks->Count() > 0) {
        const int count = in.masks->Count();
        const uint8_t* mask =
            in.masks->Row(in.passIndex % count, (row + in.maskRowOffset) % CPassMasks::kRows);
        // The mask tile starts at the window's first byte and repeats every 180 bytes.
        const int first = in.windowStart / 8;
        size_t q = 0;
        int m = ((-first) % CPassMasks::kBytes + CPassMasks::kBytes) % CPassMasks::kBytes;
        while (q < bytes) {
            const size_t run =
                std::min<size_t>(bytes - q, static_cast<size_t>(CPassMasks::kBytes - m));
            for (size_t i = 0; i < run; ++i) {
                dst[q + i] = static_cast<uint8_t>(src[q + i] & window[q + i] &
                                                  mask[static_cast<size_t>(m) + i]);
            }
            q += run;
            m = 0;
        }
        return;
    }
    for (size_t q = 0; q < bytes; ++q) {
        dst[q] = static_cast<uint8_t>(src[q] & window[q]);
    }
}

void CFastMerge::ToCarriageOrder(const MergeInput& in, const HeadGroup& group, uint8_t* out) const
{
    const int length = in.passLength;
    const int columnBytes = (length + 7) / 8;
    const uint8_t* m = m_masked.data();
    const int padBits = m_pad * 8;
    if (in.leftToRight) {
        const int first = group.start + padBits;
        const int s = first & 7;
        const uint8_t* p = m + (first >> 3);
        if (s == 0) {
            std::memcpy(out, p, static_cast<size_t>(columnBytes));
        } else {
            for (int c = 0; c < columnBytes; ++c) {
                out[c] = static_cast<uint8_t>(p[c] << s | p[c + 1] >> (8 - s));
            }
        }
    } else {
        // Column j prints pixel end - j: read the bytes backwards and reverse their bits.
        for (int c = 0; c < columnBytes; ++c) {
            const int lo = group.end - 8 * c - 7 + padBits;
            const int s = lo & 7;
            const uint8_t* p = m + (lo >> 3);
            const auto v = static_cast<uint8_t>(s == 0 ? p[0] : (p[0] << s | p[1] >> (8 - s)));
            out[c] = kReverse[v];
        }
    }
    if (length % 8 != 0) {
        out[columnBytes - 1] &= static_cast<uint8_t>(0xFF00 >> (length % 8));
    }
}

void CFastMerge::Merge(const MergeInput& in, std::span<uint16_t> transfer)
{
    const LayoutParams& layout = in.layout;
    const int length = in.passLength;
    const int columnWords = layout.ColumnWords();
    if (length <= 0 || in.rowBytes <= 0 || layout.ChannelSilent(in.channel) ||
        transfer.size() < static_cast<size_t>(length) * static_cast<size_t>(columnWords)) {
        return;
    }
    const int rowBits = in.rowBytes * 8;
    const int winStart = std::max(in.windowStart, 0);
    const int winEnd = std::min(in.windowEnd, rowBits - 1);
    if (winStart > winEnd) {
        return;
    }

    // The window (and the column interleave) as a byte pattern over the row.
    m_interleave.assign(static_cast<size_t>(in.rowBytes), 0);
    const int passes = std::max(in.passes, 1);
    const bool interleave = in.maskMode == kMaskInterleave;
    for (int x = winStart; x <= winEnd; ++x) {
        if (!interleave || (x - winStart) % passes == in.passIndex % passes) {
            m_interleave[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }

    // Padding so that every group's pixel range can be read without bounds checks.
    int lo = 0;
    int hi = rowBits - 1;
    for (const auto& g : in.groups) {
        if (g.printed) {
            lo = std::min({lo, g.start, g.end - length + 1});
            hi = std::max({hi, g.end, g.start + length - 1});
        }
    }
    m_pad = (-lo + 7) / 8 + 2;
    const int padRight = (hi - rowBits + 8) / 8 + 2;
    m_masked.assign(static_cast<size_t>(m_pad + in.rowBytes + padRight), 0);

    const int columnBytes = (length + 7) / 8;
    m_entries.clear();
    m_entryGroups.clear();
    for (const auto& g : in.groups) {
        for (const auto& n : BuildNozzleMap(layout, g, static_cast<int>(in.rows.size()))) {
            if (n.position >= 0 && n.position < columnWords) {
                m_entries.push_back(n);
                m_entryGroups.push_back(&g);
            }
        }
    }
    m_carriage.resize(m_entries.size() * static_cast<size_t>(columnBytes));
    for (size_t e = 0; e < m_entries.size(); ++e) {
        MaskRow(in, m_entries[e].row);
        ToCarriageOrder(in, *m_entryGroups[e],
                        m_carriage.data() + e * static_cast<size_t>(columnBytes));
    }

    BuildBlocks(columnWords);
    const bool mirrored = layout.Mirrored();
    uint16_t* words = transfer.data();
    const auto cw = static_cast<size_t>(columnWords);
    for (int t0 = 0; t0 < columnBytes; t0 += kTileBytes) {
        const int t1 = std::min(columnBytes, t0 + kTileBytes);
        for (const Block& block : m_blocks) {
            if (block.table < 0) {
                ScatterBits(block, t0, t1, length, columnBytes, columnWords, mirrored, words);
                continue;
            }
            std::array<const uint8_t*, 8> rows{};
            for (size_t i = 0; i < 8; ++i) {
                rows[i] = m_carriage.data() + (block.first + i) * static_cast<size_t>(columnBytes);
            }
            const auto* table = m_tables.data() + static_cast<size_t>(block.table) * 256;
            for (int c = t0; c < t1; ++c) {
                uint64_t x = 0;
                for (size_t i = 0; i < 8; ++i) {
                    x |= static_cast<uint64_t>(rows[i][c]) << (8 * i);
                }
                if (x == 0) {
                    continue;
                }
                x = Transpose8x8(x);
                for (int k = 0; k < 8; ++k) {
                    const auto t = static_cast<size_t>((x >> (8 * (7 - k))) & 0xFF);
                    if (t == 0) {
                        continue;
                    }
                    const int j = 8 * c + k;
                    const auto column = static_cast<size_t>(mirrored ? length - 1 - j : j);
                    OrWords(words + column * cw + static_cast<size_t>(block.base), table[t].data(),
                            block.wide);
                }
            }
        }
    }
}

void CFastMerge::OrWords(uint16_t* dst, const uint16_t* add, bool wide)
{
    // Four or two 64-bit ORs instead of sixteen or eight 16-bit ones.
    const size_t chunks = wide ? 4 : 2;
    for (size_t i = 0; i < chunks; ++i) {
        uint64_t a = 0;
        uint64_t b = 0;
        std::memcpy(&a, dst + 4 * i, sizeof a);
        std::memcpy(&b, add + 4 * i, sizeof b);
        a |= b;
        std::memcpy(dst + 4 * i, &a, sizeof a);
    }
}

uint64_t CFastMerge::Transpose8x8(uint64_t x)
{
    // Bit j of byte i moves to bit i of byte j.
    uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
    x = x ^ t ^ (t << 28);
    return x;
}

void CFastMerge::BuildBlocks(int columnWords)
{
    m_blocks.clear();
    const size_t count = m_entries.size();
    for (size_t first = 0; first < count; first += 8) {
        Block block;
        block.first = first;
        block.count = static_cast<int>(std::min<size_t>(8, count - first));
        int lo = m_entries[first].position;
        int hi = lo;
        for (size_t i = first; i < first + static_cast<size_t>(block.count); ++i) {
            lo = std::min(lo, m_entries[i].position);
            hi = std::max(hi, m_entries[i].position);
        }
        // Eight nozzles whose words lie within one small window: one table lookup per column.
        if (block.count == 8 && hi - lo < static_cast<int>(kWindow) &&
            columnWords >= static_cast<int>(kWindow)) {
            block.wide = hi - lo >= 8;
            block.base = std::min(lo, columnWords - static_cast<int>(block.wide ? kWindow : 8));
            Shape shape{};
            for (size_t i = 0; i < 8; ++i) {
                shape.offset[i] = static_cast<uint8_t>(m_entries[first + i].position - block.base);
                shape.bit[i] = m_entries[first + i].bit;
            }
            block.table = TableFor(shape);
        }
        m_blocks.push_back(block);
    }
}

int CFastMerge::TableFor(const Shape& shape)
{
    for (size_t i = 0; i < m_shapes.size(); ++i) {
        if (m_shapes[i] == shape) {
            return static_cast<int>(i);
        }
    }
    m_shapes.push_back(shape);
    m_tables.resize(m_shapes.size() * 256);
    auto* table = m_tables.data() + (m_shapes.size() - 1) * 256;
    for (size_t t = 0; t < 256; ++t) {
        table[t].fill(0);
        for (size_t i = 0; i < 8; ++i) {
            if ((t & (size_t{1} << i)) != 0) {
                table[t][shape.offset[i]] |= shape.bit[i];
            }
        }
    }
    return static_cast<int>(m_shapes.size() - 1);
}

void CFastMerge::ScatterBits(const Block& block, int t0, int t1, int length, int columnBytes,
                             int columnWords, bool mirrored, uint16_t* words) const
{
    for (size_t e = block.first; e < block.first + static_cast<size_t>(block.count); ++e) {
        const uint8_t* row = m_carriage.data() + e * static_cast<size_t>(columnBytes);
        const NozzleEntry& n = m_entries[e];
        for (int c = t0; c < t1; ++c) {
            unsigned b = row[c];
            while (b != 0) {
                const int k = std::countl_zero(static_cast<uint8_t>(b));
                b &= ~(0x80U >> k);
                const int j = 8 * c + k;
                const int column = mirrored ? length - 1 - j : j;
                words[static_cast<size_t>(column) * static_cast<size_t>(columnWords) +
                      static_cast<size_t>(n.position)] |= n.bit;
            }
        }
    }
}

}  // namespace tavolux
