#include "dsp/dsp_engine.h"

namespace orv {

DspEngine::DspEngine(float fs, int blockSize) : settings_(fs, blockSize) { job_.filters.clear(); }

void DspEngine::configure(float fs, int blockSize) {
    if (blockSize > 0) {
        for (std::vector<float>& w : work_) w.assign(static_cast<std::size_t>(blockSize), 0.0f);
        ramps_.resize(blockSize);
        pairs_.assign(2 * static_cast<std::size_t>(blockSize), 0.0f);
    }
    settings_.configure(fs, blockSize);
    guard_.resize(fs, settings_.blockSize);
}

void DspEngine::apply(const StateBlock& next, unsigned derive) { settings_.apply(next, derive); }

int DspEngine::processBlock(const float* const in[2], float* const out[2], int n) {
    if (n <= 0 || n > settings_.blockSize || work_[0].empty()) return 0;
    if (settings_.state.bypass)
        processBypassed(in, out, n);
    else
        processFused(in, out, n);
    return 0;
}

// Bypass leaves out the equalisers, Sample/Bit, the low-pass, the clip
// guard and Comp: the matrix with its gains (unity) and Output remain.
void DspEngine::processBypassed(const float* const in[2], float* const out[2], int n) {
    const StateBlock& s = settings_.state;
    const int mode = clampedMode(s.mode);
    ramps_.fill(s, n);
    encodeInputs(mode, in, ramps_, work_[0].data(), work_[1].data(), n);
    decodeOutputs(mode, work_[0].data(), work_[1].data(), out, n);
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < n; ++j) out[k][j] *= s.output;
}

// A filter driven past the float range, or fed a non-finite coefficient, is
// cleared, so that one bad piece cannot leave the effect producing NaN.
void DspEngine::resetBrokenFilters() {
    syncFilterState();
    for (ChannelSections& c : settings_.sections)
        for (BiquadSection* s : {&c.lowShelf, &c.highShelf, &c.peaking, &c.lowPass}) resetIfNotFinite(*s);
}

}  // namespace orv
