// The engine's side of the fused loop: what a piece hands to it and takes
// back from it.
#include <cfloat>
#include <cmath>
#include <iterator>

#include "dsp/biquad_pair.h"
#include "dsp/dsp_engine.h"

namespace orv {
namespace {

constexpr int kEqualiserSections = 3;
constexpr int kLowPassSections = 1;

// The fused loop's lane groups, in order: which section and stage each holds.
struct FusedSection {
    BiquadSection ChannelSections::*section;
    int stage;
    BiquadSection* of(ChannelSections& c) const { return &(c.*section); }
};
constexpr FusedSection kFusedSections[] = {
    {&ChannelSections::lowShelf, 0}, {&ChannelSections::highShelf, 0}, {&ChannelSections::peaking, 0},
    {&ChannelSections::lowPass, 0},  {&ChannelSections::lowPass, 1}};
static_assert(std::size(kFusedSections) == kFusedGroups);

// How large carried values may be. In each of the at most kCarriedPairs
// iterations that finish them a value takes at most one filter step, which
// grows it at most by the largest sum of coefficient magnitudes, and once
// the Sample/Bit stage, which grows it less than 6 times (decoder twice,
// interpolation three times); a factor 16 covers that and the rounding.
float carryLimitOf(const simd::LaneImage& im) {
    double largest = 1.0;
    for (int lane = 0; lane < simd::LaneImage::kMaxLanes; ++lane) {
        const double sum = std::fabs(im.b0[lane]) + std::fabs(im.b1[lane]) + std::fabs(im.b2[lane]) +
                           std::fabs(im.a1[lane]) + std::fabs(im.a2[lane]);
        if (!(sum <= FLT_MAX)) return 0.0f;
        largest = std::max(largest, sum);
    }
    return static_cast<float>(FLT_MAX / (16.0 * std::pow(largest, kCarriedPairs)));
}

}  // namespace

// The equaliser: three single sections; the low-pass: one section run twice.
bool DspEngine::hasFusedShape() {
    ChannelSections (&c)[2] = sections;
    int equaliser = 0;
    int lowPass = 0;
    return pairable(&c[0].lowShelf, &c[1].lowShelf, equaliser) &&
           equaliser == kEqualiserSections && !c[0].lowShelf.cascade && !c[0].highShelf.cascade &&
           !c[0].peaking.cascade && pairable(&c[0].lowPass, &c[1].lowPass, lowPass) &&
           lowPass == kLowPassSections && c[0].lowPass.cascade;
}

FusedSettings DspEngine::fusedSettings() {
    FusedSettings s;
    s.decode = decodesMidSide(clampedMode(state.mode));
    s.quantise = state.bit < kFullWordLength;
    s.quantScale = quantScale;
    s.quantScaleReciprocal = quantScaleReciprocal;
    s.holdPeriod = holdPeriod;
    s.holdPeriodReciprocal = holdPeriodReciprocal;
    s.interpolate = state.interpolate != 0;
    s.window = autoWindow;
    s.ring = ring_.data();
    s.ringMask = ringMask_;
    return s;
}

bool DspEngine::redesignedSinceImage() {
    for (int group = 0; group < kFusedGroups; ++group)
        if (imageRevision_[group][0] != kFusedSections[group].of(sections[0])->revision ||
            imageRevision_[group][1] != kFusedSections[group].of(sections[1])->revision)
            return true;
    return false;
}

void DspEngine::loadJob(FusedJob& job, const float* const in[2], float* const out[2], int n) {
    // Carried samples are finished with what they started with.
    const FusedSettings settings = fusedSettings();
    const bool redesigned = redesignedSinceImage();
    if (job.carried && (redesigned || !(settings == job.settings))) finishCarried();
    job.settings = settings;
    job.n = n;
    for (int k = 0; k < 2; ++k) {
        job.in[k] = in[k];
        job.out[k] = out[k];
        job.comp[k] = state.channel[kSlotComp][k];
        job.guard[k] = guard_[k];
        for (int i = 0; i < 2; ++i) job.held[k][i] = held_[k][i];
    }
    job.pairs = pairs_.data() + 2 * kCarriedPairs;
    if (gainsSteady()) {
        job.ramp[0] = job.ramp[1] = nullptr;
        job.steadyGain[0] = rampGain_[0];
        job.steadyGain[1] = rampGain_[1];
    } else {
        fillGainRamps(n);
        job.ramp[0] = ramp_[0].data();
        job.ramp[1] = ramp_[1].data();
    }
    job.encode = encodesMidSide(clampedMode(state.mode));
    if (redesigned) {
        for (int group = 0; group < kFusedGroups; ++group) {
            const BiquadSection& m = *kFusedSections[group].of(sections[0]);
            const BiquadSection& s = *kFusedSections[group].of(sections[1]);
            job.filters.putCoefficients(group, m, s);
            imageRevision_[group][0] = m.revision;
            imageRevision_[group][1] = s.revision;
        }
        job.carryLimit = carryLimitOf(job.filters);
    }
    if (!filterStateInImage_)
        for (int group = 0; group < kFusedGroups; ++group)
            job.filters.putState(group, *kFusedSections[group].of(sections[0]),
                                 *kFusedSections[group].of(sections[1]), kFusedSections[group].stage);
    filterStateInImage_ = true;
    job.holdCounter = holdCounter;
    job.rescalesOften = rescalesOften_;
    job.rescaleCount = 0;
    job.output = state.output;
}

// Runs the loop on no new samples, so that the carried ones reach the
// sections' states, the clip guard and its ring as if their piece had
// finished them.
void DspEngine::finishCarried() {
    if (!job_.carried) return;
    job_.n = 0;
    job_.drainOnly = true;
    activeKernel()(job_);
    job_.drainOnly = false;
    storeJob(job_);
    if (job_.filters.brokenState()) {
        syncFilterState();
        resetBrokenFilters();
    }
}

void DspEngine::syncFilterState() {
    finishCarried();
    if (!filterStateInImage_) return;
    for (int group = 0; group < kFusedGroups; ++group)
        job_.filters.takeState(group, *kFusedSections[group].of(sections[0]),
                               *kFusedSections[group].of(sections[1]), kFusedSections[group].stage);
    filterStateInImage_ = false;
}

// The loop that branches around the clip guard's rescale is cheaper while
// rescales are rare; when more than one sample in kFrequentShare had one,
// the loop without that branch takes over, and every kProbeInterval pieces
// the branching loop counts again.
void DspEngine::chooseRescaleMode(int n) {
    constexpr int kFrequentShare = 16;
    constexpr int kProbeInterval = 16;
    if (!rescalesOften_) {
        rescalesOften_ = job_.rescaleCount * kFrequentShare > n;
        piecesSinceProbe_ = 0;
    } else if (++piecesSinceProbe_ >= kProbeInterval) {
        rescalesOften_ = false;
    }
}

void DspEngine::storeJob(const FusedJob& job) {
    holdCounter = job.holdCounter;
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 2; ++i) held_[k][i] = job.held[k][i];
        guard_[k] = job.guard[k];
    }
}

// Between pieces the filter states stay in the loop's image (the sections'
// copies are brought up to date when other code needs them), and the
// coefficients are copied in only after a section was designed. A piece may
// leave its last samples in the loop's pipeline; they are finished before
// the settings they started with change, before other code reads the
// states, and before the buffers or the hold count are reset.
//
// The loop takes each sample the low-pass gives as it would be after the
// recovery of broken filters: a filter whose output is not finite stays so
// to the end of the piece, and the recovery then silences exactly the
// samples that are not finite. So only the filter states are left to reset.
bool DspEngine::processFused(const float* const in[2], float* const out[2], int n) {
    if (!fusedShape_) return false;
    loadJob(job_, in, out, n);
    activeKernel()(job_);
    storeJob(job_);
    chooseRescaleMode(n);
    if (job_.filters.brokenState()) {
        syncFilterState();
        resetBrokenFilters();
    }
    return true;
}

}  // namespace orv
