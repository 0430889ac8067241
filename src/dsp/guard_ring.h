// The look-ahead clip guard's delay line: both channels' rings interleaved
// ([2 * index + channel]) and where each channel's guard stands.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

// The largest step between samples before the slope limit acts, and the
// peak a rescaled half-wave is given.
constexpr float kSlopeLimit = 0.35f;
constexpr float kGuardPeak = 0.99f;

struct GuardState {
    std::int32_t writeIndex = 0;
    std::int32_t segmentStart = -1;
    float peak = 0.0f;
    float lastSample = 0.0f;
};

struct GuardRing {
    // Room for the longest window at fs and a block; cleared. Allocates.
    void resize(float fs, int blockSize);

    std::vector<float> ring;
    std::int32_t mask = 0;
    GuardState guard[2];
};

}  // namespace orv
