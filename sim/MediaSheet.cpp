// Decoding nozzle words onto the sheet, from the printer's side: for each head and nozzle, the
// word address the board reads in every carriage column and the media row the nozzle wets.
#include "sim/MediaSheet.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/PngFile.h"

namespace tavolux::sim {

namespace {

// The sheet never holds more drop counters than this (one byte each).
constexpr int64_t kMaxCells = int64_t{1} << 30;

// Word address of nozzle n of a head in group g, within its carriage column.
int NozzleAddress(const PrinterHeads& h, int g, int n)
{
    if (h.halves) {
        // Word r carries nozzles 2r and 2r + 1; older boards swap the words of each pair.
        const int r = n / 2;
        if (h.boardVersion == 1 && h.wiring != BoardWiring::k4x4) {
            return r % 2 == 0 ? r + 1 : r - 1;
        }
        return r;
    }
    if (h.nozzles == 128) {
        // Two words per nozzle; even nozzles on the odd word after their own, odd nozzles two
        // words back. Some boards count the group into the nozzle's base.
        const bool groupBased = h.wiring == BoardWiring::k6x2 || h.wiring == BoardWiring::k5x2 ||
                                (h.wiring == BoardWiring::k4x3 && g < 2);
        const int base = groupBased ? g + n : n;
        return n % 2 == 0 ? 2 * base + 1 : 2 * base - 2;
    }
    const bool quads =
        h.wiring == BoardWiring::k5x2 ||
        (h.boardVersion == 1 && (h.wiring == BoardWiring::k4x2 || h.wiring == BoardWiring::k6x2));
    if (quads) {
        static constexpr int kQuad[4] = {1, 2, -2, -1};
        return n + kQuad[n % 4];
    }
    if (h.wiring == BoardWiring::k4x3 && h.boardVersion == 1) {
        return n % 2 == 0 ? n + 1 : n - 1;
    }
    return n;
}

// Group-relative media row wetted by nozzle n of a head in group g (heads mounted upside down
// count their rows from the other end), -1 when the nozzle is blocked off.
int NozzleRow(const PrinterHeads& h, int g, int n)
{
    const int reversed = h.nozzles - 1 - n;
    int row = n;
    switch (h.wiring) {
        case BoardWiring::k4x4:
            row = g % 2 == 1 ? reversed : n;
            break;
        case BoardWiring::k8x2:
            if (!h.halves && (g % 2 == 1) != h.whiteReversed) {
                row = reversed;
            }
            break;
        case BoardWiring::k5x2:
            if (!h.halves && h.whiteReversed) {
                row = reversed;
            }
            break;
        default:
            break;
    }
    return row < h.groupRows ? row : -1;
}

// Columns run mirrored on boards whose white heads print in the reversed style.
bool MirroredColumns(const PrinterHeads& h)
{
    return !h.halves && h.whiteReversed &&
           (h.wiring == BoardWiring::k5x2 || h.wiring == BoardWiring::k8x2);
}

std::string PbmBytes(int width, int height, const std::vector<const std::vector<uint8_t>*>& rows)
{
    std::string out = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    for (const auto* row : rows) {
        std::string bits(rowBytes, '\0');
        for (size_t x = 0; row != nullptr && x < row->size(); ++x) {
            if ((*row)[x] != 0) {
                bits[x / 8] = static_cast<char>(bits[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out += bits;
    }
    return out;
}

}  // namespace

std::string PrinterHeads::Problem() const
{
    if (nozzles < 2 || groupRows < 1 || channels < 1 || heads.empty()) {
        return "the printer has no heads to print with";
    }
    if (mmPerPulseX <= 0.0 || mmPerPulseY <= 0.0) {
        return "the printer's pulse sizes are not positive";
    }
    for (const auto& head : heads) {
        if (head.channel < 0 || head.channel >= channels || head.group < 0 || head.bit < 0 ||
            head.bit > 15 || head.secondBit > 15) {
            return "a head is mounted outside the printer's channels or data bits";
        }
    }
    return {};
}

CMediaSheet::CMediaSheet(PrinterHeads heads)
    : m_heads(std::move(heads)), m_usable(m_heads.Problem().empty())
{
    m_heads.inks.resize(static_cast<size_t>(std::max(m_heads.channels, 0)),
                        std::array<uint8_t, 3>{0, 0, 0});
    m_drops.assign(static_cast<size_t>(std::max(m_heads.channels, 0)), 0);
}

void CMediaSheet::SetResolution(int xDpi, int yDpi)
{
    m_xDpi = std::max(xDpi, 0);
    m_yDpi = std::max(yDpi, 0);
}

void CMediaSheet::SetFireDivisor(int fire)
{
    if (fire > 0 && m_heads.rasterResolution > 0) {
        m_fireDpi = static_cast<int>(std::lround(m_heads.rasterResolution * 4.0 / fire));
    }
}

int CMediaSheet::XResolution() const
{
    return m_xDpi > 0 ? m_xDpi : m_fireDpi;
}

int CMediaSheet::YResolution() const
{
    return m_yDpi > 0 ? m_yDpi : m_heads.printerResolution;
}

int CMediaSheet::Interlace() const
{
    if (m_yDpi <= 0 || m_heads.printerResolution <= 0) {
        return 1;
    }
    return std::max(
        static_cast<int>(std::lround(static_cast<double>(m_yDpi) / m_heads.printerResolution)), 1);
}

int64_t CMediaSheet::LinesOf(int64_t pulses) const
{
    const double lines = static_cast<double>(pulses) * m_heads.mmPerPulseY / 25.4 * YResolution();
    return std::llround(lines);
}

void CMediaSheet::Feed(int64_t pulses)
{
    m_pulses += pulses;
    if (m_started) {
        m_feeds.push_back(pulses);
    }
}

void CMediaSheet::Clear()
{
    m_started = false;
    m_feeds.clear();
    m_lines.clear();
    m_top = 0;
    m_width = 0;
    m_cells = 0;
    m_overflow = false;
    m_passes = 0;
    m_outside = 0;
    std::fill(m_drops.begin(), m_drops.end(), 0);
}

CMediaSheet::Line* CMediaSheet::LineAt(int64_t line)
{
    if (m_lines.empty()) {
        m_top = line;
    }
    const auto channels = static_cast<size_t>(m_heads.channels);
    while (line < m_top) {
        m_lines.emplace_front(channels);
        --m_top;
    }
    while (line >= m_top + static_cast<int64_t>(m_lines.size())) {
        m_lines.emplace_back(channels);
    }
    return &m_lines[static_cast<size_t>(line - m_top)];
}

void CMediaSheet::PrintPass(const PassHeader& pass, std::span<const uint8_t> raster)
{
    const PrinterHeads& h = m_heads;
    const int xDpi = XResolution();
    if (!m_usable || xDpi <= 0 || YResolution() <= 0 || pass.width <= 0) {
        return;
    }
    if (!m_started) {
        m_started = true;
        m_originPulses = m_pulses;
    }
    ++m_passes;
    // The feed since the first pass, rounded once: rounding the positions before and after
    // separately would put a pass a line off wherever a pulse is a fraction of a line.
    const int64_t top = LinesOf(m_pulses - m_originPulses);
    const double pixelsPerMm = xDpi / 25.4;
    // Pixel 0 of the sheet lies the run-up (and the space before the picture) after the
    // carriage's start.
    const int firstColumn = 1 + static_cast<int>(h.accelerationMm * pixelsPerMm) +
                            static_cast<int>(h.spaceBeforeMm * pixelsPerMm);
    const int shift = pass.dataStart - firstColumn;
    // A backward pass starts at the right end of its travel: the picture's full width lies
    // between the travel's run-ups. The travel is whole pulses, never more than the distance.
    const double travelPixels =
        (pass.travel * h.mmPerPulseX - 2.0 * h.accelerationMm - h.spaceBeforeMm - h.spaceAfterMm) *
        pixelsPerMm;
    const int fullWidth = static_cast<int>(std::ceil(travelPixels - 1e-6)) + shift;

    // Offsets in pixels, counted from the leftmost head; the spread is the farthest.
    double lowest = h.heads.front().offsetMm;
    for (const auto& head : h.heads) {
        lowest = std::min(lowest, head.offsetMm);
    }
    std::vector<int> offsets;
    int spread = 0;
    for (const auto& head : h.heads) {
        offsets.push_back(static_cast<int>(std::lround(head.offsetMm * pixelsPerMm)) -
                          static_cast<int>(std::lround(lowest * pixelsPerMm)));
        spread = std::max(spread, offsets.back());
    }
    // The nozzle rows are the printer's pitch apart: k lines of a job of k times its resolution.
    const int interlace = Interlace();
    const int columnWords = h.ColumnWords();
    const int64_t words = static_cast<int64_t>(raster.size() / 2);
    const bool mirrored = MirroredColumns(h);
    const int width = pass.width;
    for (size_t k = 0; k < h.heads.size(); ++k) {
        const HeadMount& head = h.heads[k];
        const int offset = offsets[k];
        const auto channel = static_cast<size_t>(head.channel);
        for (int n = 0; n < h.nozzles; ++n) {
            const int row = NozzleRow(h, head.group, n);
            const int bitIndex = h.halves && n % 2 == 1 ? head.secondBit : head.bit;
            if (row < 0 || bitIndex < 0) {
                continue;
            }
            const auto bit = static_cast<uint16_t>(1U << bitIndex);
            const int64_t address = NozzleAddress(h, head.group, n);
            std::vector<uint8_t>* counts = nullptr;
            for (int c = 0; c < width; ++c) {
                const int64_t index = address + int64_t{c} * columnWords;
                if (index < 0 || index >= words) {
                    continue;
                }
                const auto at = static_cast<size_t>(index) * 2;
                const auto word = static_cast<uint16_t>(raster[at] | (raster[at + 1] << 8));
                if ((word & bit) == 0) {
                    continue;
                }
                const int j = mirrored ? width - 1 - c : c;
                const int x =
                    pass.forward ? shift + j - offset : fullWidth - 1 - shift - j - offset;
                if (x < 0) {
                    ++m_outside;
                    continue;
                }
                if (counts == nullptr) {
                    Line* line =
                        LineAt(top + (int64_t{head.group} * h.groupRows + row) * interlace);
                    counts = &(*line)[channel];
                }
                if (static_cast<size_t>(x) >= counts->size()) {
                    const int64_t grow = x + 1 - static_cast<int64_t>(counts->size());
                    if (m_overflow || m_cells + grow > kMaxCells) {
                        m_overflow = true;
                        ++m_outside;
                        continue;
                    }
                    m_cells += grow;
                    counts->resize(static_cast<size_t>(x) + 1, 0);
                    m_width = std::max(m_width, x + 1);
                }
                auto& cell = (*counts)[static_cast<size_t>(x)];
                if (cell < 255) {
                    ++cell;
                }
                ++m_drops[channel];
            }
        }
    }
    // The sheet is as wide as the picture the passes covered (the carriage runs the heads'
    // spread further, over blank data), and every line under the head belongs to it.
    const int reach = (pass.forward ? shift + width : fullWidth - shift) - spread;
    m_width = std::max(m_width, std::min(reach, static_cast<int>(kMaxCells / 1024)));
    LineAt(top);
    LineAt(top + int64_t{h.groupRows} * std::max(1, h.groups) - 1);
}

int CMediaSheet::DropsAt(int channel, int x, int y) const
{
    if (channel < 0 || channel >= m_heads.channels || x < 0 || y < 0 ||
        y >= static_cast<int>(m_lines.size())) {
        return 0;
    }
    const auto& row = m_lines[static_cast<size_t>(y)][static_cast<size_t>(channel)];
    return static_cast<size_t>(x) < row.size() ? row[static_cast<size_t>(x)] : 0;
}

std::vector<ChannelTally> CMediaSheet::Tally() const
{
    std::vector<ChannelTally> tally(static_cast<size_t>(std::max(m_heads.channels, 0)));
    for (size_t c = 0; c < tally.size(); ++c) {
        tally[c].index = static_cast<int>(c);
        tally[c].drops = m_drops[c];
    }
    for (const Line& line : m_lines) {
        for (size_t c = 0; c < tally.size(); ++c) {
            for (const uint8_t count : line[c]) {
                tally[c].pixelsOnce += count == 1 ? 1 : 0;
                tally[c].pixelsMore += count > 1 ? 1 : 0;
            }
        }
    }
    return tally;
}

std::string CMediaSheet::SummaryJson() const
{
    std::ostringstream s;
    int64_t fed = 0;
    for (const int64_t f : m_feeds) {
        fed += f;
    }
    s << "{\n  \"passes\": " << m_passes << ",\n  \"width\": " << m_width
      << ",\n  \"height\": " << m_lines.size() << ",\n  \"x_resolution\": " << XResolution()
      << ",\n  \"y_resolution\": " << YResolution() << ",\n  \"fed_pulses\": " << fed
      << ",\n  \"feeds\": [";
    for (size_t i = 0; i < m_feeds.size(); ++i) {
        s << (i == 0 ? "" : ", ") << m_feeds[i];
    }
    s << "],\n  \"drops_outside\": " << m_outside
      << ",\n  \"overflow\": " << (m_overflow ? "true" : "false") << ",\n  \"channels\": [";
    const auto tally = Tally();
    for (size_t i = 0; i < tally.size(); ++i) {
        const auto& t = tally[i];
        s << (i == 0 ? "\n" : ",\n") << "    {\"index\": " << t.index << ", \"drops\": " << t.drops
          << ", \"pixels_once\": " << t.pixelsOnce << ", \"pixels_more\": " << t.pixelsMore << "}";
    }
    s << "\n  ]\n}\n";
    return s.str();
}

bool CMediaSheet::Write(const std::filesystem::path& dir, std::string& error) const
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir.string() + ": " + ec.message();
        return false;
    }
    const int width = std::max(m_width, 1);
    const int height = std::max(static_cast<int>(m_lines.size()), 1);
    for (int c = 0; c < m_heads.channels; ++c) {
        std::vector<const std::vector<uint8_t>*> rows(static_cast<size_t>(height), nullptr);
        for (size_t y = 0; y < m_lines.size(); ++y) {
            rows[y] = &m_lines[y][static_cast<size_t>(c)];
        }
        const auto path = dir / ("channel_" + std::to_string(c) + ".pbm");
        if (!AtomicWriteFile(path, PbmBytes(width, height, rows), &error)) {
            return false;
        }
    }
    // The picture: white media, each ink filtering the light it does not reflect. Pixels are
    // made square (the coarser direction repeated), so that the picture looks like the print.
    const int xRes = XResolution();
    const int yRes = YResolution();
    const int finest = std::max(xRes, yRes);
    int outWidth = width;
    int outHeight = height;
    if (xRes > 0 && yRes > 0 && xRes != yRes) {
        const int64_t w = int64_t{width} * finest / xRes;
        const int64_t hgt = int64_t{height} * finest / yRes;
        if (w * hgt <= int64_t{1} << 28) {
            outWidth = static_cast<int>(w);
            outHeight = static_cast<int>(hgt);
        }
    }
    std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
    DibImage picture;
    picture.Allocate(outWidth, outHeight, 24, 255);
    int composed = -1;
    for (int oy = 0; oy < outHeight; ++oy) {
        const int y = static_cast<int>(int64_t{oy} * height / outHeight);
        if (y != composed && static_cast<size_t>(y) < m_lines.size()) {
            std::fill(line.begin(), line.end(), uint8_t{255});
            for (int c = 0; c < m_heads.channels; ++c) {
                const auto& row = m_lines[static_cast<size_t>(y)][static_cast<size_t>(c)];
                const auto& ink = m_heads.inks[static_cast<size_t>(c)];
                for (size_t x = 0; x < row.size(); ++x) {
                    if (row[x] == 0) {
                        continue;
                    }
                    uint8_t* px = line.data() + x * 3;  // blue, green, red
                    px[0] = static_cast<uint8_t>(px[0] * ink[2] / 255);
                    px[1] = static_cast<uint8_t>(px[1] * ink[1] / 255);
                    px[2] = static_cast<uint8_t>(px[2] * ink[0] / 255);
                }
            }
            composed = y;
        }
        if (static_cast<size_t>(y) >= m_lines.size()) {
            continue;
        }
        uint8_t* out = picture.Row(oy);
        for (int ox = 0; ox < outWidth; ++ox) {
            const auto x = static_cast<size_t>(int64_t{ox} * width / outWidth);
            std::copy_n(line.data() + x * 3, 3, out + static_cast<size_t>(ox) * 3);
        }
    }
    if (!WritePng(dir / "sheet.png", picture, outWidth, error)) {
        return false;
    }
    return AtomicWriteFile(dir / "summary.json", SummaryJson(), &error);
}

}  // namespace tavolux::sim
