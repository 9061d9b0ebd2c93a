// One colour channel of the heads during a job: the image lines under the head (a ring of line
// pointers rotated by the media step), the nozzle rows among them (every k-th line of an
// interlaced job), its head groups with their carriage ranges, blank skipping, colour strips
// and the merge of its nozzle rows into a pass's nozzle words.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "print/MergeInput.h"

namespace tavolux {

class CRipReader;
class CFeatherMasks;

// What the job gives every channel for one pass's merge.
struct ChannelPass {
    LayoutParams layout;
    int passIndex = 0;  // the pass's number among those at its interlace position
    int passes = 1;
    int maskMode = kMaskNone;
    bool useMasks = false;
    const class CPassMasks* masks = nullptr;
    int maskRowOffset = 0;                   // mask row of the head window's first line
    const CFeatherMasks* feather = nullptr;  // null or empty: no feathering
    // Head row of the seam's lower rows (the B half): the row that the top row 0 lies under
    // again P passes (k x P when interlaced) later, P x the base step. -1: the head's last rows.
    int featherPairRow = -1;
    CChannelMerger* merger = nullptr;
};

// How a glyph meets what its byte columns already hold: replaced (stored), or kept beside the
// glyph's ink (merged), so that its blank margin erases no neighbouring text.
enum class GlyphInk {
    Store,  // the glyph's bytes replace the row's
    Merge,  // the glyph's pixels are added to the row's
};

// Colour strip geometry of a channel: bytes left and right of the image, and the block of the
// strip that belongs to each of the channel's groups.
struct StripSettings {
    int leftBytes = 0;
    int rightBytes = 0;
    int blockBytes = 0;  // strip width / (GroupNo x ColorNo)
    int colorNo = 1;
};

class CHeadChannel {
public:
    // index: the channel; leftToRight: the direction of its first pass; bidirectional: the
    // direction flips after every printed pass.
    CHeadChannel(int index, bool leftToRight, bool bidirectional);
    virtual ~CHeadChannel() = default;
    CHeadChannel(const CHeadChannel&) = delete;
    CHeadChannel& operator=(const CHeadChannel&) = delete;
    CHeadChannel(CHeadChannel&&) = default;
    CHeadChannel& operator=(CHeadChannel&&) = default;

    // headRows nozzle rows, `interlace` image lines apart, so that the head spans
    // headRows x interlace lines of imageBytes image bytes between the strips; groups with
    // their full carriage ranges over passLength columns. The lines start blank.
    void Init(int headRows, int interlace, int imageBytes, const StripSettings& strips,
              int groupRows, std::vector<HeadGroup> groups, int passLength);

    // Moves the ring by `step` lines (oldest first out), refills the freed lines from the chunk
    // and, with blank skipping, decides whether the pass is skipped and trims the ranges.
    void Advance(CRipReader& reader, int step, int dataRows, bool ignoreBlank);

    // ORs this channel's nozzle bits for the pass into transfer. Feathering masks the seam
    // rows for the merge and restores them afterwards.
    virtual void MergeInto(std::span<uint16_t> transfer, const ChannelPass& pass);
    // The two halves of MergeInto, for merging all channels of a pass in one call: false when
    // the channel prints nothing in this pass. EndMerge undoes the feathering of the rows.
    bool BeginMerge(const ChannelPass& pass, MergeInput& in);
    void EndMerge();

    // Called after the pass: a bidirectional channel that printed flips its direction.
    void FinishPass();

    // Drawing into the rows of a pass, for charts drawn from geometry instead of read from a
    // file. X counts pixels from the channel's left margin (the left strip); a nozzle n of
    // head group g prints the row that the layout routes it to. Everything is clipped: pixels
    // left or right of the image, nozzles the head does not have and groups the arrangement
    // does not have draw nothing, and the part inside is drawn. Setting a pixel twice leaves
    // it set.
    // The layout that routes nozzles to rows; without it nozzle n of group g prints row
    // g x group rows + n.
    void SetNozzleLayout(const LayoutParams& layout);
    // Blanks every row and draws the strips again: the start of a drawn pass.
    void ClearRows();
    // Pixels x0 to x1 inclusive on the row of nozzle n; nothing when x0 > x1.
    void DrawNozzleSpan(int g, int n, int x0, int x1);
    // Pixel x on the rows of nozzles first to last inclusive.
    void DrawColumn(int g, int x, int first, int last);
    // Pixels x0 to x1 inclusive on row `row` of the head window.
    void DrawRowSpan(int row, int x0, int x1);
    // Stores rows x widthBytes bytes of bitmap (row r to nozzle n + r, or to nozzle
    // n + rows - 1 - r on a head mounted upside down) from the byte holding pixel x on,
    // replacing what the row held there; merged, the row keeps its own pixels as well.
    void BlitGlyph(int g, int x, int n, const uint8_t* bitmap, int widthBytes, int rows,
                   GlyphInk ink = GlyphInk::Store);
    // The head-window row of nozzle n of group g, -1 when there is no such nozzle.
    int NozzleRowOf(int g, int n) const;
    int NozzleCount() const;
    int GroupCount() const { return static_cast<int>(m_fullGroups.size()); }
    int ImagePixels() const { return m_imageBytes * 8; }

    int Index() const { return m_index; }
    bool LeftToRight() const { return m_leftToRight; }
    bool Skipped() const { return m_skipped; }
    int LeftBlank() const { return m_leftBlank; }
    int RightBlank() const { return m_rightBlank; }
    // Carriage columns of the pass after trimming.
    int PassLength() const { return m_passLength; }
    int FullPassLength() const { return m_fullLength; }
    int RowBytes() const { return m_rowBytes; }
    const std::vector<HeadGroup>& Groups() const { return m_groups; }
    const std::vector<HeadGroup>& FullGroups() const { return m_fullGroups; }
    // The nozzle rows of the window, row 0 first: what the pass prints.
    std::span<uint8_t* const> Rows() const { return m_nozzleRows; }

private:
    void DrawStrips();
    void ApplyFeather(const CFeatherMasks& feather, int pairRow);
    void RestoreFeather();
    void PickNozzleRows();
    void SetPixels(uint8_t* row, int x0, int x1);

    int m_index;
    bool m_leftToRight;
    bool m_bidirectional;
    int m_rowBytes = 0;
    int m_imageOffset = 0;  // bytes of the left strip
    int m_imageBytes = 0;
    int m_groupRows = 0;
    int m_interlace = 1;
    StripSettings m_strips;
    std::vector<uint8_t> m_store;        // every line's bytes, owned here
    std::vector<uint8_t*> m_rowRing;     // the head window, oldest line first
    std::vector<uint8_t*> m_nozzleRows;  // nozzle row n: line n x m_interlace of the ring
    std::vector<HeadGroup> m_fullGroups;
    std::vector<HeadGroup> m_groups;  // this pass's trimmed ranges
    int m_fullLength = 0;
    int m_passLength = 0;
    bool m_skipped = false;
    int m_leftBlank = 0;
    int m_rightBlank = 0;
    std::vector<uint8_t> m_saveRows;  // seam rows saved while feathered
    int m_savedLines = 0;
    int m_pairRow = 0;  // first head row of the seam's lower rows while feathered
    LayoutParams m_drawLayout;
    bool m_hasDrawLayout = false;
};

}  // namespace tavolux
