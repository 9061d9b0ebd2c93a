// The merge of a channel into nozzle words read literally, pixel by pixel and nozzle by
// nozzle: slow, but the oracle the fast merge is checked against.
#pragma once

#include <span>

#include "print/MergeInput.h"

namespace tavolux::test {

class CLiteralMerge final : public CChannelMerger {
public:
    void Merge(const MergeInput& in, std::span<uint16_t> transfer) override;
};

}  // namespace tavolux::test
