#include "dsp/guard_ring.h"

#include <algorithm>

#include "dsp/chain_settings.h"

namespace orv {
namespace {

constexpr int kLongestWindowMs = 100;

}  // namespace

void GuardRing::resize(float fs, int blockSize) {
    const std::int32_t wanted = std::max<std::int32_t>(
        blockSize, truncClamped(fs * kMsPerSecond * kLongestWindowMs + static_cast<float>(blockSize), 0, kMaxGuardLength));
    std::int32_t size = 2;
    while (size < wanted) size <<= 1;
    mask = size - 1;
    ring.assign(2 * static_cast<std::size_t>(size), 0.0f);
    for (GuardState& g : guard) {
        // A smaller ring must not be indexed with positions of the old one.
        g.writeIndex &= mask;
        if (g.segmentStart != -1) g.segmentStart &= mask;
    }
}

}  // namespace orv
