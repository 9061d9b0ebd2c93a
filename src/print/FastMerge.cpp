// Fast merge: row masking and carriage order, the word-position sweep with bit and byte
// transposes, and the block sweep with expansion tables.
#include "print/FastMerge.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "print/PassMasks.h"

namespace tavolux {

namespace {

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
        const uint8_t* mask = in.masks->Row(
            in.passIndex % count, (row * in.interlace + in.maskRowOffset) % CPassMasks::kRows);
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

bool CFastMerge::Prepare(const MergeInput& in, ChannelState& st)
{
    if (!SetupRow(in, st) || !CollectEntries(in, st)) {
        return false;
    }
    PackBlocks(in, st);
    return true;
}

bool CFastMerge::SetupRow(const MergeInput& in, ChannelState& st)
{
    const LayoutParams& layout = in.layout;
    const int length = in.passLength;
    const int columnWords = layout.ColumnWords();
    st.length = length;
    st.columnWords = columnWords;
    st.mirrored = layout.Mirrored();
    st.blocks.clear();
    if (length <= 0 || in.rowBytes <= 0 || layout.ChannelSilent(in.channel)) {
        return false;
    }
    const int rowBits = in.rowBytes * 8;
    const int winStart = std::max(in.windowStart, 0);
    const int winEnd = std::min(in.windowEnd, rowBits - 1);
    if (winStart > winEnd) {
        return false;
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
    const int maskedBytes = m_pad + in.rowBytes + padRight;
    m_masked.assign(static_cast<size_t>(maskedBytes), 0);
    return true;
}

bool CFastMerge::CollectEntries(const MergeInput& in, ChannelState& st)
{
    const LayoutParams& layout = in.layout;
    const int columnWords = layout.ColumnWords();
    st.entries.clear();
    st.groups.clear();
    for (const auto& g : in.groups) {
        for (const auto& n : BuildNozzleMap(layout, g, static_cast<int>(in.rows.size()))) {
            if (n.position >= 0 && n.position < columnWords) {
                st.entries.push_back(n);
                st.groups.push_back(&g);
            }
        }
    }
    return !st.entries.empty();
}

void CFastMerge::PackBlocks(const MergeInput& in, ChannelState& st)
{
    // Whole blocks of eight: the padding entries set no bit.
    while (st.entries.size() % 8 != 0) {
        st.entries.push_back({0, 0, 0});
        st.groups.push_back(nullptr);
    }
    const size_t blocks = st.entries.size() / 8;
    const auto cb = static_cast<size_t>((st.length + 7) / 8);
    // Column-major packing: the bytes of a block's eight nozzles at one byte column form one
    // 64-bit word, so that the scatter reads each column's blocks contiguously.
    st.packed.resize(cb * blocks);
    m_row8.resize(8 * cb);
    for (size_t b = 0; b < blocks; ++b) {
        for (size_t i = 0; i < 8; ++i) {
            uint8_t* row = m_row8.data() + i * cb;
            const size_t e = 8 * b + i;
            if (st.groups[e] == nullptr) {
                std::memset(row, 0, cb);
                continue;
            }
            MaskRow(in, st.entries[e].row);
            ToCarriageOrder(in, *st.groups[e], row);
        }
        for (size_t c = 0; c < cb; ++c) {
            uint64_t x = 0;
            for (size_t i = 0; i < 8; ++i) {
                x |= static_cast<uint64_t>(m_row8[i * cb + c]) << (8 * i);
            }
            st.packed[c * blocks + b] = x;
        }
    }
    BuildBlocks(st);
}

void CFastMerge::BuildBlocks(ChannelState& st)
{
    st.blocks.clear();
    for (size_t first = 0; first < st.entries.size(); first += 8) {
        Block block;
        block.first = first;
        int lo = st.entries[first].position;
        int hi = lo;
        for (size_t i = first; i < first + 8; ++i) {
            lo = std::min(lo, st.entries[i].position);
            hi = std::max(hi, st.entries[i].position);
        }
        // Eight nozzles whose words lie within one small window: one table lookup per column.
        if (hi - lo < static_cast<int>(kWindow) && st.columnWords >= static_cast<int>(kWindow)) {
            block.wide = hi - lo >= 8;
            block.base = std::min(lo, st.columnWords - static_cast<int>(block.wide ? kWindow : 8));
            Shape shape{};
            bool oneBit = true;
            for (size_t i = 0; i < 8; ++i) {
                shape.offset[i] = static_cast<uint8_t>(st.entries[first + i].position - block.base);
                shape.bit[i] = st.entries[first + i].bit;
                oneBit = oneBit && shape.bit[i] == shape.bit[0];
            }
            // Blocks of one head share a table of whole-word masks: fewer tables stay cached.
            if (oneBit) {
                block.mask = shape.bit[0];
                shape.bit.fill(0xFFFF);
            }
            block.table = TableFor(shape);
        }
        st.blocks.push_back(block);
    }
}

void CFastMerge::ScatterColumn(const ChannelState& st, size_t c, uint16_t* words) const
{
    const size_t blocks = st.blocks.size();
    const uint64_t* column8 = st.packed.data() + c * blocks;
    const auto cw = static_cast<size_t>(st.columnWords);
    for (size_t b = 0; b < blocks; ++b) {
        uint64_t x = column8[b];
        if (x == 0) {
            continue;
        }
        x = Transpose8x8(x);
        const Block& block = st.blocks[b];
        const auto* table =
            block.table >= 0 ? m_tables.data() + static_cast<size_t>(block.table) * 256 : nullptr;
        // Column 8c + k of the carriage; mirrored layouts run the columns backwards.
        const int j0 = 8 * static_cast<int>(c);
        uint16_t* dst = words + static_cast<size_t>(st.mirrored ? st.length - 1 - j0 : j0) * cw;
        const std::ptrdiff_t step =
            st.mirrored ? -static_cast<std::ptrdiff_t>(cw) : static_cast<std::ptrdiff_t>(cw);
        const int columns = std::min(8, st.length - j0);
        if (table != nullptr) {
            uint16_t* window = dst + block.base;
            for (int k = 0; k < columns; ++k, window += step) {
                const auto t = static_cast<size_t>((x >> (8 * (7 - k))) & 0xFF);
                if (t != 0) {
                    OrWords(window, table[t].data(), block.wide, block.mask);
                }
            }
            continue;
        }
        for (int k = 0; k < columns; ++k, dst += step) {
            const auto t = static_cast<size_t>((x >> (8 * (7 - k))) & 0xFF);
            for (size_t i = 0; i < 8; ++i) {
                if ((t & (size_t{1} << i)) != 0) {
                    const NozzleEntry& n = st.entries[block.first + i];
                    dst[n.position] |= n.bit;
                }
            }
        }
    }
}

void CFastMerge::Merge(const MergeInput& in, std::span<uint16_t> transfer)
{
    Sweep(std::span<const MergeInput>(&in, 1), transfer, false);
}

void CFastMerge::MergeChannels(std::span<const MergeInput> inputs, std::span<uint16_t> transfer)
{
    if (!SweepByPosition(inputs, transfer)) {
        Sweep(inputs, transfer, true);
    }
}

bool CFastMerge::SweepByPosition(std::span<const MergeInput> inputs, std::span<uint16_t> transfer)
{
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    }
    if (m_states.size() < inputs.size()) {
        m_states.resize(inputs.size());
    }
    // Every word of a column is the OR of at most one nozzle per bit: then the nozzles can be
    // grouped by word position, eight bits to a 64-bit lane word, and each word written once.
    std::vector<size_t> ready;
    int length = -1;
    int columnWords = -1;
    bool mirrored = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        ChannelState& st = m_states[i];
        if (!SetupRow(inputs[i], st) || !CollectEntries(inputs[i], st)) {
            continue;
        }
        if (length >= 0 &&
            (st.length != length || st.columnWords != columnWords || st.mirrored != mirrored)) {
            return false;
        }
        length = st.length;
        columnWords = st.columnWords;
        mirrored = st.mirrored;
        ready.push_back(i);
    }
    if (ready.empty()) {
        std::fill(transfer.begin(), transfer.end(), uint16_t{0});
        return true;
    }
    const auto cw = static_cast<size_t>(columnWords);
    const auto cb = static_cast<size_t>((length + 7) / 8);
    if (transfer.size() < static_cast<size_t>(length) * cw) {
        return false;
    }
    m_used.assign(cw, 0);
    bool high = false;
    for (size_t i : ready) {
        for (const NozzleEntry& n : m_states[i].entries) {
            if (n.bit == 0 || (n.bit & (n.bit - 1)) != 0 ||
                (m_used[static_cast<size_t>(n.position)] & n.bit) != 0) {
                return false;
            }
            m_used[static_cast<size_t>(n.position)] |= n.bit;
            high = high || n.bit > 0xFF;
        }
    }
    m_lanes.assign(cw * cb * (high ? 2 : 1), 0);
    m_row8.resize(cb);
    for (size_t i : ready) {
        ChannelState& st = m_states[i];
        SetupRow(inputs[i], st);
        for (size_t e = 0; e < st.entries.size(); ++e) {
            const NozzleEntry& n = st.entries[e];
            MaskRow(inputs[i], n.row);
            ToCarriageOrder(inputs[i], *st.groups[e], m_row8.data());
            const int bit = std::countr_zero(n.bit);
            const size_t plane = bit >= 8 ? cw * cb : 0;
            auto* lane = reinterpret_cast<uint8_t*>(m_lanes.data() + plane +
                                                    static_cast<size_t>(n.position) * cb) +
                         (bit & 7);
            for (size_t c = 0; c < cb; ++c) {
                lane[8 * c] = m_row8[c];
            }
        }
    }

    uint16_t* words = transfer.data();
    const uint64_t* lo = m_lanes.data();
    const uint64_t* hi = high ? m_lanes.data() + cw * cb : nullptr;
    std::array<uint64_t, 8> xl{};
    std::array<uint64_t, 8> xh{};
    for (size_t c = 0; c < cb; ++c) {
        const int j0 = 8 * static_cast<int>(c);
        const int columns = std::min(8, length - j0);
        for (size_t p0 = 0; p0 < cw; p0 += 8) {
            const size_t count = std::min<size_t>(8, cw - p0);
            for (size_t i = 0; i < count; ++i) {
                xl[i] = Transpose8x8(lo[(p0 + i) * cb + c]);
                xh[i] = hi != nullptr ? Transpose8x8(hi[(p0 + i) * cb + c]) : 0;
            }
#if defined(__SSE2__)
            if (count == 8 && columns == 8) {
                StoreColumns(xl.data(), hi != nullptr ? xh.data() : nullptr, words, mirrored,
                             length, j0, cw, p0);
                continue;
            }
#endif
            for (int k = 0; k < columns; ++k) {
                const int j = j0 + k;
                uint16_t* dst =
                    words + static_cast<size_t>(mirrored ? length - 1 - j : j) * cw + p0;
                const int shift = 8 * (7 - k);
                for (size_t i = 0; i < count; ++i) {
                    dst[i] = static_cast<uint16_t>(((xl[i] >> shift) & 0xFF) |
                                                   (((xh[i] >> shift) & 0xFF) << 8));
                }
            }
        }
    }
    // Words past the pass's columns (padding of 128-nozzle heads in two halves) stay blank.
    std::fill(transfer.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(length) * cw),
              transfer.end(), uint16_t{0});
    return true;
}

void CFastMerge::Sweep(std::span<const MergeInput> inputs, std::span<uint16_t> transfer, bool clear)
{
    if (m_states.size() < inputs.size()) {
        m_states.resize(inputs.size());
    }
    std::vector<const ChannelState*> ready;
    for (size_t i = 0; i < inputs.size(); ++i) {
        ChannelState& st = m_states[i];
        const auto needed = static_cast<size_t>(std::max(inputs[i].passLength, 0)) *
                            static_cast<size_t>(inputs[i].layout.ColumnWords());
        if (transfer.size() >= needed && Prepare(inputs[i], st)) {
            ready.push_back(&st);
        }
    }
    // Channels of one pass share the column count: sweep the transfer buffer once, so that
    // every column's words stay in the cache while all channels add their bits.
    size_t columnBytes = 0;
    for (const ChannelState* st : ready) {
        columnBytes = std::max(columnBytes, static_cast<size_t>((st->length + 7) / 8));
    }
    const size_t cw = ready.empty() ? 0 : static_cast<size_t>(ready.front()->columnWords);
    const size_t swept = std::min(transfer.size(), columnBytes * 8 * cw);
    // Words past the swept columns (padding of 128-nozzle heads in two halves) stay blank.
    if (clear) {
        std::fill(transfer.begin() + static_cast<std::ptrdiff_t>(swept), transfer.end(),
                  uint16_t{0});
    }
    // Mirrored layouts fill the columns from the far end: clear them all first.
    const bool mirrored = std::any_of(ready.begin(), ready.end(),
                                      [](const ChannelState* st) { return st->mirrored; });
    if (clear && mirrored) {
        std::fill(transfer.begin(), transfer.begin() + static_cast<std::ptrdiff_t>(swept),
                  uint16_t{0});
    }
    for (size_t c = 0; c < columnBytes; ++c) {
        // Clear eight columns just before filling them, while they are in the cache.
        const size_t from = c * 8 * cw;
        if (clear && !mirrored) {
            std::fill(
                transfer.begin() + static_cast<std::ptrdiff_t>(from),
                transfer.begin() + static_cast<std::ptrdiff_t>(std::min(from + 8 * cw, swept)),
                uint16_t{0});
        }
        for (const ChannelState* st : ready) {
            if (c < static_cast<size_t>((st->length + 7) / 8)) {
                ScatterColumn(*st, c, transfer.data());
            }
        }
    }
}

#if defined(__SSE2__)
void CFastMerge::StoreColumns(const uint64_t* xl, const uint64_t* xh, uint16_t* words,
                              bool mirrored, int length, int j0, size_t cw, size_t p0)
{
    // Byte b of xl[i] is the low byte of word p0 + i in column j0 + 7 - b: an 8x8 byte
    // transpose turns the eight lane words into eight columns of eight words.
    const auto transpose = [](const uint64_t* x, __m128i* v) {
        const auto load = [&](size_t i) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(x + i));
        };
        const __m128i t0 = _mm_unpacklo_epi8(load(0), load(1));
        const __m128i t1 = _mm_unpacklo_epi8(load(2), load(3));
        const __m128i t2 = _mm_unpacklo_epi8(load(4), load(5));
        const __m128i t3 = _mm_unpacklo_epi8(load(6), load(7));
        const __m128i u0 = _mm_unpacklo_epi16(t0, t1);
        const __m128i u1 = _mm_unpackhi_epi16(t0, t1);
        const __m128i u2 = _mm_unpacklo_epi16(t2, t3);
        const __m128i u3 = _mm_unpackhi_epi16(t2, t3);
        v[0] = _mm_unpacklo_epi32(u0, u2);  // bytes 0 and 1 of every lane word
        v[1] = _mm_unpackhi_epi32(u0, u2);  // bytes 2 and 3
        v[2] = _mm_unpacklo_epi32(u1, u3);  // bytes 4 and 5
        v[3] = _mm_unpackhi_epi32(u1, u3);  // bytes 6 and 7
    };
    // Plain arrays: the vector type's alignment attribute does not survive std::array.
    __m128i lo[4];
    __m128i hi[4];
    transpose(xl, lo);
    if (xh != nullptr) {
        transpose(xh, hi);
    } else {
        for (auto& v : hi) {
            v = _mm_setzero_si128();
        }
    }
    const auto at = [&](int j) {
        return reinterpret_cast<__m128i*>(
            words + static_cast<size_t>(mirrored ? length - 1 - j : j) * cw + p0);
    };
    for (size_t q = 0; q < 4; ++q) {
        // Byte 2q of the lane words belongs to column 7 - 2q, byte 2q + 1 to column 6 - 2q.
        const int j = j0 + 7 - 2 * static_cast<int>(q);
        _mm_storeu_si128(at(j), _mm_unpacklo_epi8(lo[q], hi[q]));
        _mm_storeu_si128(at(j - 1), _mm_unpackhi_epi8(lo[q], hi[q]));
    }
}
#endif

void CFastMerge::OrWords(uint16_t* dst, const uint16_t* add, bool wide, uint16_t mask)
{
#if defined(__SSE2__)
    // One or two 128-bit ORs instead of eight or sixteen 16-bit ones.
    auto* d = reinterpret_cast<__m128i*>(dst);
    const auto* a = reinterpret_cast<const __m128i*>(add);
    const __m128i m = _mm_set1_epi16(static_cast<short>(mask));
    _mm_storeu_si128(d, _mm_or_si128(_mm_loadu_si128(d), _mm_and_si128(_mm_loadu_si128(a), m)));
    if (wide) {
        _mm_storeu_si128(
            d + 1, _mm_or_si128(_mm_loadu_si128(d + 1), _mm_and_si128(_mm_loadu_si128(a + 1), m)));
    }
#else
    const uint64_t m = uint64_t{mask} * 0x0001000100010001ULL;
    const size_t chunks = wide ? 4 : 2;
    for (size_t i = 0; i < chunks; ++i) {
        uint64_t a = 0;
        uint64_t b = 0;
        std::memcpy(&a, dst + 4 * i, sizeof a);
        std::memcpy(&b, add + 4 * i, sizeof b);
        a |= b & m;
        std::memcpy(dst + 4 * i, &a, sizeof a);
    }
#endif
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

}  // namespace tavolux
