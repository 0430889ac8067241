// The signal-processing engine: the state block, the values derived from it,
// the eight filter sections, the work buffers and the output stage's state.
// It knows nothing of the host, of threads or of the editor.
#pragma once

#include <cstdint>
#include <vector>

#include "dsp/biquad.h"
#include "dsp/fused_kernel.h"
#include "dsp/state_block.h"

namespace orv {

constexpr float kInitialSampleRate = 44100.0f;

// The Mode values: how the inputs become M and S and how M and S become
// the outputs.
enum Mode : int { kNormal = 0, kMidSide = 1, kToMidSide = 2, kFromMidSide = 3 };

// A loaded state may hold any byte; past the last mode it works as the last.
inline int clampedMode(std::uint8_t mode) { return mode > kFromMidSide ? static_cast<int>(kFromMidSide) : mode; }
inline bool encodesMidSide(int mode) { return mode == kMidSide || mode == kToMidSide; }
inline bool decodesMidSide(int mode) { return mode == kMidSide || mode == kFromMidSide; }

// At this word length the quantiser passes samples through.
constexpr int kFullWordLength = 23;

// Positions of the per-channel values in StateBlock::channel.
enum StateSlot : int {
    kSlotGain = 0,
    kSlotComp,
    kSlotLowShelfFreq,
    kSlotLowShelfGain,
    kSlotPeakFreq,
    kSlotPeakWidth,
    kSlotPeakGain,
    kSlotHighShelfFreq,
    kSlotHighShelfGain,
    kChannelSlots,
};
constexpr int kCoreBlockSize = 1024;

struct ChannelSections {
    BiquadSection lowShelf;
    BiquadSection highShelf;
    BiquadSection peaking;
    BiquadSection lowPass;  // reconstruction low-pass of the output stage
};

class DspEngine {
public:
    explicit DspEngine(int blockSize);

    StateBlock state{};

    // Derived values, kept in step with the state block by the parameter
    // path, the state load and configure().
    float quantScale = 4096.0f;
    float quantScaleReciprocal = 1.0f / 4096.0f;
    std::int32_t holdPeriod = 1;
    float holdPeriodReciprocal = 1.0f;
    std::int32_t holdCounter = 1;
    std::int32_t autoWindow = 0;

    ChannelSections sections[2];

    std::int32_t logCounter = 0;

    // Sample-rate and block-size dependent set-up: buffers, Auto rings, hold
    // period and every filter design. Allocates; never called while audio runs.
    void configure(float fs, int blockSize);

    // Runs one piece of at most blockSize frames; answers its status word (0).
    int processBlock(const float* const in[2], float* const out[2], int n);

    // The steps of a piece, in order. The input stage covers the gain ramps,
    // the input matrix, the equalisers and the decoder; the output stage the
    // Sample/Bit stage, the reconstruction low-pass, the clip guard and Comp
    // with Output.
    void processInputStage(const float* const in[2], float* const out[2], int n);
    // A piece that is not bypassed, one stage after the other over the whole
    // piece. processBlock gives the same result, faster, whenever the filters
    // have this effect's shapes.
    void processStepByStep(const float* const in[2], float* const out[2], int n);
    void processOutputStage(float* const out[2], int n);
    void sampleAndHold(float* const out[2], int n);
    // The clip guard for one channel, followed by its Comp and Output.
    void guardClips(int channel, float* samples, int n);
    float quantise(float v) const;

    // The derived values each parameter feeds.
    void setQuantisation(int bits);
    void setHoldPeriod(float fs, std::int32_t sampleKHz);
    void setLowPassFromSample(float fs);
    float lowPassFrequency() const;
    void setAutoWindow(float fs, int blockMinimum);
    // Copies a channel's equaliser values into its three sections and redesigns them.
    void loadChannelFilters(int channel, float fs);
    // The same for the one value in a channel's slot: its section is redesigned.
    void applyChannelValue(int channel, int slot, float fs);

private:
    void resizeRings(float fs);
    // Copies a channel's value into its section field; answers that section, or null.
    BiquadSection* copyChannelValue(int channel, int slot);
    // Starts the ramps on the first piece; true when neither gain moves
    // in this piece (and Bypass is off), so the ramps are constant.
    bool gainsSteady();
    void fillGainRamps(int n);
    void compAndOutput(int k, float* samples, int n) const;
    // Clears every filter whose state is no longer finite; answers whether any was.
    bool resetBrokenFilters();
    void recoverFilters(float* a, float* b, int n);
    void runLowPass(float* const out[2], int n);
    void finishOutputStage(float* const out[2], int n);
    // The whole piece in one loop (fused_kernel.h); false when the filters
    // do not have this effect's shapes, and then nothing is done.
    bool processFused(const float* const in[2], float* const out[2], int n);
    // Whether the sections have the shapes the fused loop runs (set by configure).
    bool hasFusedShape();
    // Brings the sections' filter states up to date from the fused loop's image.
    void syncFilterState();
    void chooseRescaleMode(int n);
    FusedSettings fusedSettings();
    bool redesignedSinceImage();
    void loadJob(FusedJob& job, const float* const in[2], float* const out[2], int n);
    // Finishes the samples an earlier piece left in the fused loop's
    // pipeline; called before anything they depend on changes.
    void finishCarried();
    void storeJob(const FusedJob& job);

    std::vector<float> work_[2];
    std::vector<float> ramp_[2];
    std::vector<float> pairs_;  // the fused loop's interleaved (M, S) pairs, kCarriedPairs of them first
    FusedJob job_;              // what the fused loop reads and writes, kept between pieces
    bool fusedShape_ = false;
    bool filterStateInImage_ = false;  // the sections' stage values are behind the image's
    std::uint32_t imageRevision_[kFusedGroups][2] = {};  // the designs whose coefficients the image holds
    bool rescalesOften_ = false;
    int piecesSinceProbe_ = 0;
    std::vector<float> ring_;   // the clip guard's rings, interleaved: [2 * index + channel]
    std::int32_t ringMask_ = 0;
    int blockSize_ = kCoreBlockSize;

    float rampGain_[2] = {1.0f, 1.0f};
    bool rampStarted_ = false;
    float held_[2][2] = {};  // [channel][previous, current]
    GuardState guard_[2];
};

}  // namespace orv
