// The validation suite: what real VST 2.4 hosts do to a plug-in, done to the
// built library through our own host. Random choices come from one seed,
// printed at the start and given back with ORV_SEED to repeat a run.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "plugin_library.h"

namespace validation {

const std::string& pluginPath();
std::uint32_t seed();
// A generator for one test: the suite's seed mixed with the test's name.
std::mt19937 generator();

// One instance, closed at the end of its scope.
class Instance {
public:
    explicit Instance(const vsthost::PluginLibrary& library);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    AEffect* operator->() const { return e_; }
    AEffect* get() const { return e_; }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) const {
        return e_->dispatcher(e_, opcode, index, value, ptr, opt);
    }
    VstIntPtr close();
    // Processes n frames of in (separate or the same as out).
    void process(float* const* in, float* const* out, int n) const {
        e_->processReplacing(e_, const_cast<float**>(in), const_cast<float**>(out), n);
    }
    std::vector<unsigned char> chunk() const;

private:
    AEffect* e_;
};

class Suite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static vsthost::PluginLibrary* library;
};

// Stereo buffers of n frames.
struct Stereo {
    std::vector<float> l, r;
    float* ptr[2];
    explicit Stereo(std::size_t n, float fill = 0.0f) : l(n, fill), r(n, fill) { ptr[0] = l.data(); ptr[1] = r.data(); }
    Stereo(const Stereo& o) : l(o.l), r(o.r) { ptr[0] = l.data(); ptr[1] = r.data(); }
    bool finite() const;
    float peak() const;
};

// Noise plus a sine, within -1..1.
void fillTestSignal(Stereo& s, std::mt19937& random, std::size_t offset = 0);

}  // namespace validation
