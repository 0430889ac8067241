// The signal-processing engine: the chain's settings, the work buffers and
// the running state of a stream. It knows nothing of the host, of threads
// or of the editor. Its state changes only through configure() and
// apply(); processBlock() runs a piece through the fused loop
// (fused_kernel.h), or, bypassed, through the matrix and Output alone.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/chain_settings.h"
#include "dsp/fused_kernel.h"
#include "dsp/guard_ring.h"
#include "dsp/input_stage.h"

namespace orv {

class DspEngine {
public:
    DspEngine(float fs, int blockSize);

    // Sample-rate and block-size dependent set-up: buffers, the guard's
    // ring, the hold period and every filter design. Allocates; never
    // called while audio runs.
    void configure(float fs, int blockSize);
    // Takes next as the state and brings what derive names (Derived) up to date.
    void apply(const StateBlock& next, unsigned derive);
    // Runs one piece of at most the block size; answers its status word (0).
    int processBlock(const float* const in[2], float* const out[2], int n);

    const StateBlock& state() const { return settings_.state; }
    const ChainSettings& settings() const { return settings_; }
    // A diagnostic counter that nothing changes.
    std::int32_t logCounter() const { return logCounter_; }

private:
    void processBypassed(const float* const in[2], float* const out[2], int n);
    void processFused(const float* const in[2], float* const out[2], int n);
    void loadJob(const float* const in[2], float* const out[2], int n);
    void loadFilterImage();
    void storeJob();
    void chooseRescaleMode(int n);
    // Brings the sections' filter states up to date from the fused loop's image.
    void syncFilterState();
    // Clears every filter whose state is no longer finite.
    void resetBrokenFilters();

    ChainSettings settings_;
    GainRamps ramps_;
    GuardRing guard_;
    std::vector<float> work_[2];  // M and S of a bypassed piece
    std::vector<float> pairs_;    // the fused loop's interleaved (M, S) pairs
    FusedJob job_;                // what the fused loop reads and writes, kept between pieces
    bool filterStateInImage_ = false;  // the sections' stage values are behind the image's
    std::uint32_t imageRevision_[kFusedGroups][2] = {};  // the designs whose coefficients the image holds
    bool rescalesOften_ = false;
    int piecesSinceProbe_ = 0;
    float held_[2][2] = {};  // [channel][previous, current] of the Sample/Bit stage
    std::int32_t logCounter_ = 0;
};

}  // namespace orv
