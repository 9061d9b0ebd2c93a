// For each nozzle of a head group: the head-window row it prints, its word position inside a
// carriage column and the bit it sets, following the rules of each transfer layout.
#pragma once

#include <cstdint>
#include <vector>

#include "print/MergeInput.h"

namespace tavolux {

struct NozzleEntry {
    int row = 0;       // head-window row printed by the nozzle
    int position = 0;  // word inside a carriage column
    uint16_t bit = 0;
};

// The nozzles of one group that print, in nozzle order. Nozzles whose row falls outside the
// group's own rows (forbidden nozzles) or outside the window are left out.
std::vector<NozzleEntry> BuildNozzleMap(const LayoutParams& layout, const HeadGroup& group,
                                        int windowRows);

// Word position of nozzle n of group g when every nozzle has its own word (MergeBit -1).
int NozzlePosition(const LayoutParams& layout, int g, int n);
// Word position of nozzle pair r when the heads work as two interleaved halves.
int HalfPosition(const LayoutParams& layout, int r);
// The group-relative row printed by nozzle n (may be reversed by the mounting).
int NozzleRow(const LayoutParams& layout, int g, int n);

}  // namespace tavolux
