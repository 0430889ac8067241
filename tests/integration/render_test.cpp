// Audio through the real library. The native build writes its output for a
// fixed input; the Windows build, run under Wine, compares its own output
// with that file: one engine, two compilers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "plugin_fixture.h"

namespace integration {
namespace {

constexpr int kFrames = 48000;
constexpr int kBlock = 512;
constexpr double kPi = 3.14159265358979323846;

using Rendering = PluginTest;

std::vector<float> render(const vsthost::PluginLibrary& library, VstInt32 mode, bool bypass) {
    PluginInstance e(library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->setParameter(e.get(), 0, static_cast<float>(mode) / 3.0f);
    e->setParameter(e.get(), 25, bypass ? 1.0f : 0.0f);
    e.call(effMainsChanged, 0, 1);
    std::vector<float> l(kFrames), r(kFrames);
    for (int j = 0; j < kFrames; ++j) {
        l[j] = static_cast<float>(0.8 * std::sin(2 * kPi * 1000.0 * j / 48000.0));
        r[j] = static_cast<float>(0.5 * std::sin(2 * kPi * 1000.0 * j / 48000.0 + 0.7));
    }
    for (int start = 0; start < kFrames; start += kBlock) {
        float* io[2] = {l.data() + start, r.data() + start};
        e->processReplacing(e.get(), io, io, std::min(kBlock, kFrames - start));
    }
    l.insert(l.end(), r.begin(), r.end());
    return l;
}

std::vector<float> renderAll(const vsthost::PluginLibrary& library) {
    std::vector<float> all;
    for (const auto& setting : {std::pair{0, false}, std::pair{2, false}, std::pair{0, true}}) {
        const auto one = render(library, setting.first, setting.second);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

TEST_F(Rendering, SameOutputOnBothPlatforms) {
    const auto output = renderAll(*library);
    for (float v : output) ASSERT_TRUE(std::isfinite(v));
    if (const char* path = std::getenv("ORV_RENDER_OUTPUT")) {
        std::ofstream out(vsthost::platformPath(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(output.data()),
                  static_cast<std::streamsize>(output.size() * sizeof(float)));
        ASSERT_TRUE(out.good()) << "cannot write " << path;
    }
    const char* referencePath = std::getenv("ORV_REFERENCE_RENDER");
    if (!referencePath) GTEST_SKIP() << "no reference render to compare with";
    std::ifstream in(vsthost::platformPath(referencePath), std::ios::binary);
    ASSERT_TRUE(in.good()) << "missing " << referencePath << ": run the native tests first";
    std::vector<float> reference(output.size());
    in.read(reinterpret_cast<char*>(reference.data()),
            static_cast<std::streamsize>(reference.size() * sizeof(float)));
    ASSERT_EQ(in.gcount(), static_cast<std::streamsize>(reference.size() * sizeof(float)));
    double largest = 0;
    for (std::size_t i = 0; i < output.size(); ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(output[i]) - reference[i]));
    std::printf("largest difference from the native render: %.3g of full scale\n", largest);
    EXPECT_LT(largest, 1e-5);
}

TEST_F(Rendering, OneNaNBlockDoesNotPoisonTheEffect) {
    PluginInstance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e.call(effMainsChanged, 0, 1);
    std::vector<float> l(kBlock, std::nanf("")), r(kBlock, std::nanf(""));
    float* io[2] = {l.data(), r.data()};
    e->processReplacing(e.get(), io, io, kBlock);
    for (int j = 0; j < kBlock; ++j) {
        l[j] = 0.5f * std::sin(0.03f * j);
        r[j] = 0.5f * std::cos(0.03f * j);
    }
    e->processReplacing(e.get(), io, io, kBlock);
    for (int j = 0; j < kBlock; ++j) ASSERT_TRUE(std::isfinite(l[j]) && std::isfinite(r[j])) << j;
}

}  // namespace
}  // namespace integration
