// The parts of the input stage that do not filter, shared by both engines:
// the gains' ramps, the input matrix and the decoder.
#pragma once

#include <vector>

#include "dsp/state_block.h"

namespace orv {

// A gain change glides over the piece that follows it.
class GainRamps {
public:
    // Allocates.
    void resize(int blockSize);
    // Whether neither gain moves in the next piece (and Bypass is off), so
    // that gain(k) serves the whole piece. The first piece starts from the
    // gains in force, not from a stale default.
    bool steady(const StateBlock& s);
    float gain(int k) const { return gain_[k]; }
    // Fills the ramps for a piece of n frames and moves on to the gains in
    // force; under Bypass they are unity and the gains wait.
    void fill(const StateBlock& s, int n);
    const float* ramp(int k) const { return ramp_[k].data(); }

private:
    std::vector<float> ramp_[2];
    float gain_[2] = {1.0f, 1.0f};
    bool started_ = false;
};

// M and S from the inputs (a sample that is not finite as silence) times the
// ramps, encoded when the mode asks for it.
void encodeInputs(int mode, const float* const in[2], const GainRamps& ramps, float* m, float* s, int n);
// The outputs from M and S, decoded when the mode asks for it.
void decodeOutputs(int mode, const float* m, const float* s, float* const out[2], int n);

}  // namespace orv
