// The engine's side of the fused loop: what a piece hands to it and takes
// back from it.
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

void DspEngine::loadJob(FusedJob& job, const float* const in[2], float* const out[2], int n) {
    job.n = n;
    for (int k = 0; k < 2; ++k) {
        job.in[k] = in[k];
        job.out[k] = out[k];
        job.comp[k] = state.channel[kSlotComp][k];
        job.guard[k] = guard_[k];
        for (int i = 0; i < 2; ++i) job.held[k][i] = held_[k][i];
    }
    job.pairs = pairs_.data();
    if (gainsSteady()) {
        job.ramp[0] = job.ramp[1] = nullptr;
        job.steadyGain[0] = rampGain_[0];
        job.steadyGain[1] = rampGain_[1];
    } else {
        fillGainRamps(n);
        job.ramp[0] = ramp_[0].data();
        job.ramp[1] = ramp_[1].data();
    }
    const int mode = clampedMode(state.mode);
    job.encode = encodesMidSide(mode);
    job.decode = decodesMidSide(mode);
    for (int group = 0; group < kFusedGroups; ++group) {
        const BiquadSection& m = *kFusedSections[group].of(sections[0]);
        const BiquadSection& s = *kFusedSections[group].of(sections[1]);
        if (imageRevision_[group][0] != m.revision || imageRevision_[group][1] != s.revision) {
            job.filters.putCoefficients(group, m, s);
            imageRevision_[group][0] = m.revision;
            imageRevision_[group][1] = s.revision;
        }
        if (!filterStateInImage_) job.filters.putState(group, m, s, kFusedSections[group].stage);
    }
    filterStateInImage_ = true;
    job.quantise = state.bit < kFullWordLength;
    job.quantScale = quantScale;
    job.quantScaleReciprocal = quantScaleReciprocal;
    job.holdPeriod = holdPeriod;
    job.holdPeriodReciprocal = holdPeriodReciprocal;
    job.holdCounter = holdCounter;
    job.interpolate = state.interpolate != 0;
    job.window = autoWindow;
    job.rescalesOften = rescalesOften_;
    job.rescaleCount = 0;
    job.ring = ring_.data();
    job.ringMask = ringMask_;
    job.output = state.output;
}

void DspEngine::syncFilterState() {
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
// copies are brought up to date when other code needs them), and only
// coefficients designed since the last piece are copied in.
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
