// The chain one stage after the other over the whole piece, in plain
// scalar code: what the engine's fused loop must give bit for bit. The
// tests run both side by side; the product never runs this. Its settings
// and stages are open, so that tests can drive each stage alone.
#pragma once

#include <vector>

#include "dsp/biquad.h"
#include "dsp/chain_settings.h"
#include "dsp/guard_ring.h"
#include "dsp/input_stage.h"

namespace orv {

// Filters n samples in place through the chain that starts at first: per
// sample, every section in order (a cascaded one twice), values below
// kFlushThreshold flushed to 0 on the way.
void runChain(BiquadSection* first, float* samples, int n);

class ReferenceEngine {
public:
    ReferenceEngine(float fs, int blockSize);

    // The same set-up, changes and pieces as DspEngine's.
    void configure(float fs, int blockSize);
    void apply(const StateBlock& next, unsigned derive) { settings_.apply(next, derive); }
    void processBlock(const float* const in[2], float* const out[2], int n);

    // The stages, in order. The input stage covers the gain ramps, the
    // input matrix, the equalisers and the decoder; the output stage the
    // Sample/Bit stage, the reconstruction low-pass, the clip guard and
    // Comp with Output.
    void inputStage(const float* const in[2], float* const out[2], int n);
    void outputStage(float* const out[2], int n);
    void sampleAndHold(float* const out[2], int n);
    // The clip guard for one channel, followed by its Comp and Output.
    void guardClips(int channel, float* samples, int n);
    void compAndOutput(int channel, float* samples, int n) const;

    // Open to tests, which may set what no state can (a transparent filter).
    ChainSettings& settings() { return settings_; }

private:
    // After a filter ran: a filter whose state is no longer finite is
    // cleared, and what the filters produced becomes silence where it is
    // not finite.
    void recoverFilters(float* a, float* b, int n);

    ChainSettings settings_;
    GainRamps ramps_;
    GuardRing guard_;
    std::vector<float> work_[2];
    float held_[2][2] = {};  // [channel][previous, current]
};

}  // namespace orv
