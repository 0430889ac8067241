// The one audio entry of every format: a host block run through the core in
// pieces of at most its block size, split at the MIDI controller messages,
// which take effect at their frames; each piece and each message inside the
// audio hand-shake.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/audio_handshake.h"
#include "core/effect_core.h"

namespace orv {

// One MIDI message of a host block, at its frame (messages come in the
// order the host gave them; a frame past the block means its end).
struct MidiMessage {
    std::int32_t frame;
    std::uint8_t data[3];
};

// How controllers treat Link: as the VST 2.4 does (the stored value only),
// or as the other formats do (the gains follow Link).
enum class ControllerLink { StoredValueOnly, FollowLink };

struct HostBlock {
    const float* const* inputs;
    float* const* outputs;
    std::int32_t frames;
    const MidiMessage* messages;
    std::int32_t messageCount;
};

struct BlockOutcome {
    int status = 0;                     // the pieces' and messages' status words, OR-ed
    std::int32_t messagesTaken = 0;     // the rest wait for the next block (the effect was suspended)
    bool changed[kNumParams] = {};      // the parameters messages changed
};

// Audio thread. Stops between pieces once suspended is set (null: never).
BlockOutcome processHostBlock(EffectCore& core, AudioHandshake& handshake, const HostBlock& block,
                              ControllerLink link, const std::atomic<bool>* suspended);

}  // namespace orv
