// Stereo buffers for the tests: two channels of n frames and the channel
// pointers the audio entries take.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

namespace support {

struct Stereo {
    std::vector<float> l, r;
    float* ptr[2];

    explicit Stereo(std::size_t n, float left = 0.0f, float right = 0.0f);
    Stereo(const Stereo& other);
    Stereo& operator=(const Stereo& other);

    std::size_t frames() const { return l.size(); }
    // The channel pointers from frame `from` on.
    float** at(std::size_t from);
    const float* const* input(std::size_t from = 0);
    bool finite() const;
    float peak() const;

private:
    float* moved_[2];
    const float* input_[2];
};

// Noise plus a sine in each channel, within -1..1 (offset: the first frame's
// time, to continue a signal).
void fillTestSignal(Stereo& s, std::mt19937& random, std::size_t offset = 0);
// Two sines, one per channel (left 0.4 sin(0.013 t), right 0.3 sin(0.021 t + 1)).
void fillSines(Stereo& s);

}  // namespace support
