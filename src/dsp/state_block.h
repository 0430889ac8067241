// The effect's whole state: a 44-byte header and the 26 engineering values.
// The same 136 bytes are the saved chunk, so the layout is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

constexpr int kStateNameSize = 32;
constexpr std::int32_t kStateSize = 136;

struct StateBlock {
    std::uint32_t zero;
    char name[kStateNameSize];
    std::int32_t size;
    std::int32_t check;
    std::uint8_t mode;
    std::uint8_t padding1[3];
    float output;
    std::uint8_t bit;
    std::uint8_t padding2[3];
    std::int32_t sample;  // kHz
    std::uint8_t autoMs;
    std::uint8_t interpolate;
    std::uint8_t link;
    std::uint8_t bypass;
    // Per-channel values by slot (gain, Comp, low shelf, peaking, high shelf),
    // the M member first in each pair.
    float channel[9][2];
};

static_assert(sizeof(StateBlock) == kStateSize);
static_assert(offsetof(StateBlock, name) == 4);
static_assert(offsetof(StateBlock, size) == 36);
static_assert(offsetof(StateBlock, check) == 40);
static_assert(offsetof(StateBlock, mode) == 44);
static_assert(offsetof(StateBlock, output) == 48);
static_assert(offsetof(StateBlock, bit) == 52);
static_assert(offsetof(StateBlock, sample) == 56);
static_assert(offsetof(StateBlock, autoMs) == 60);
static_assert(offsetof(StateBlock, interpolate) == 61);
static_assert(offsetof(StateBlock, link) == 62);
static_assert(offsetof(StateBlock, bypass) == 63);
static_assert(offsetof(StateBlock, channel) == 64);

}  // namespace orv
