// The engine's side of the fused loop: what a piece hands to it and takes
// back from it.
#include <iterator>

#include "dsp/dsp_engine.h"

namespace orv {
namespace {

// The fused loop's lane groups, in order: which section and stage each
// holds. The loop runs this chain's shapes: three single equaliser
// sections and the low-pass, one section run twice.
struct FusedSection {
    BiquadSection ChannelSections::*section;
    int stage;
    BiquadSection& of(ChannelSections& c) const { return c.*section; }
};
constexpr FusedSection kFusedSections[] = {
    {&ChannelSections::lowShelf, 0}, {&ChannelSections::highShelf, 0}, {&ChannelSections::peaking, 0},
    {&ChannelSections::lowPass, 0},  {&ChannelSections::lowPass, 1}};
static_assert(std::size(kFusedSections) == kFusedGroups);

}  // namespace

void DspEngine::loadJob(const float* const in[2], float* const out[2], int n) {
    FusedJob& job = job_;
    const ChainSettings& cs = settings_;
    const StateBlock& state = cs.state;
    job.n = n;
    for (int k = 0; k < 2; ++k) {
        job.in[k] = in[k];
        job.out[k] = out[k];
        job.comp[k] = state.channel[kSlotComp][k];
        job.guard[k] = guard_.guard[k];
        for (int i = 0; i < 2; ++i) job.held[k][i] = held_[k][i];
    }
    job.pairs = pairs_.data();
    if (ramps_.steady(state)) {
        job.ramp[0] = job.ramp[1] = nullptr;
        job.steadyGain[0] = ramps_.gain(0);
        job.steadyGain[1] = ramps_.gain(1);
    } else {
        ramps_.fill(state, n);
        job.ramp[0] = ramps_.ramp(0);
        job.ramp[1] = ramps_.ramp(1);
    }
    const int mode = clampedMode(state.mode);
    job.encode = encodesMidSide(mode);
    job.decode = decodesMidSide(mode);
    loadFilterImage();
    job.quantise = state.bit < kFullWordLength;
    job.quantScale = cs.quantScale;
    job.quantScaleReciprocal = cs.quantScaleReciprocal;
    job.holdPeriod = cs.holdPeriod;
    job.holdPeriodReciprocal = cs.holdPeriodReciprocal;
    job.holdCounter = cs.holdCounter;
    job.interpolate = state.interpolate != 0;
    job.window = cs.autoWindow;
    job.rescalesOften = rescalesOften_;
    job.rescaleCount = 0;
    job.ring = guard_.ring.data();
    job.ringMask = guard_.mask;
    job.output = state.output;
}

// Only coefficients designed since the last piece are copied in; the
// states go in on the first piece and after a reset took them out.
void DspEngine::loadFilterImage() {
    for (int group = 0; group < kFusedGroups; ++group) {
        BiquadSection& m = kFusedSections[group].of(settings_.sections[0]);
        BiquadSection& s = kFusedSections[group].of(settings_.sections[1]);
        if (imageRevision_[group][0] != m.revision || imageRevision_[group][1] != s.revision) {
            job_.filters.putCoefficients(group, m, s);
            imageRevision_[group][0] = m.revision;
            imageRevision_[group][1] = s.revision;
        }
        if (!filterStateInImage_) job_.filters.putState(group, m, s, kFusedSections[group].stage);
    }
    filterStateInImage_ = true;
}

void DspEngine::syncFilterState() {
    if (!filterStateInImage_) return;
    for (int group = 0; group < kFusedGroups; ++group)
        job_.filters.takeState(group, kFusedSections[group].of(settings_.sections[0]),
                               kFusedSections[group].of(settings_.sections[1]), kFusedSections[group].stage);
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

void DspEngine::storeJob() {
    settings_.holdCounter = job_.holdCounter;
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < 2; ++i) held_[k][i] = job_.held[k][i];
        guard_.guard[k] = job_.guard[k];
    }
}

// Between pieces the filter states stay in the loop's image (the sections'
// copies are brought up to date when a reset needs them), and only
// coefficients designed since the last piece are copied in.
//
// The loop takes each sample the low-pass gives as it would be after the
// recovery of broken filters: a filter whose output is not finite stays so
// to the end of the piece, and the recovery then silences exactly the
// samples that are not finite. So only the filter states are left to reset.
void DspEngine::processFused(const float* const in[2], float* const out[2], int n) {
    loadJob(in, out, n);
    activeKernel()(job_);
    storeJob();
    chooseRescaleMode(n);
    if (job_.filters.brokenState()) resetBrokenFilters();
}

}  // namespace orv
