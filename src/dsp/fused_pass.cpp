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
constexpr int kFusedGroups = static_cast<int>(std::size(kFusedSections));

// The equaliser: three single sections; the low-pass: one section run twice.
bool hasFusedShape(ChannelSections (&c)[2]) {
    int equaliser = 0;
    int lowPass = 0;
    return pairable(&c[0].lowShelf, &c[1].lowShelf, equaliser) &&
           equaliser == kEqualiserSections && !c[0].lowShelf.cascade && !c[0].highShelf.cascade &&
           !c[0].peaking.cascade && pairable(&c[0].lowPass, &c[1].lowPass, lowPass) &&
           lowPass == kLowPassSections && c[0].lowPass.cascade;
}

}  // namespace

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
    job.filters.clear();
    for (int group = 0; group < kFusedGroups; ++group)
        job.filters.put(group, *kFusedSections[group].of(sections[0]), *kFusedSections[group].of(sections[1]),
                        kFusedSections[group].stage);
    job.quantise = state.bit < kFullWordLength;
    job.quantScale = quantScale;
    job.quantScaleReciprocal = quantScaleReciprocal;
    job.holdPeriod = holdPeriod;
    job.holdPeriodReciprocal = holdPeriodReciprocal;
    job.holdCounter = holdCounter;
    job.interpolate = state.interpolate != 0;
    job.window = autoWindow;
    job.ring = ring_.data();
    job.ringMask = ringMask_;
    job.output = state.output;
}

void DspEngine::storeJob(const FusedJob& job) {
    for (int group = 0; group < kFusedGroups; ++group)
        job.filters.take(group, *kFusedSections[group].of(sections[0]), *kFusedSections[group].of(sections[1]),
                         kFusedSections[group].stage);
    holdCounter = job.holdCounter;
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 2; ++i) held_[k][i] = job.held[k][i];
        guard_[k] = job.guard[k];
    }
}

// The loop takes each sample the low-pass gives as it would be after the
// recovery of broken filters: a filter whose output is not finite stays so
// to the end of the piece, and the recovery then silences exactly the
// samples that are not finite. So only the filter states are left to reset.
bool DspEngine::processFused(const float* const in[2], float* const out[2], int n) {
    if (!hasFusedShape(sections)) return false;
    FusedJob job;
    loadJob(job, in, out, n);
    activeKernel()(job);
    storeJob(job);
    resetBrokenFilters();
    return true;
}

}  // namespace orv
