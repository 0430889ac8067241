// Parameters and the state chunk through the real library: what one
// instance saves, another restores exactly; refused chunks change nothing.
#include <cstring>
#include <random>
#include <vector>

#include "plugin_fixture.h"

namespace integration {
namespace {

using StateThroughHost = PluginTest;

std::vector<unsigned char> chunkOf(const PluginInstance& e) {
    void* data = nullptr;
    const VstIntPtr size = e.call(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

TEST_F(StateThroughHost, ChunkMovesEveryParameterToAnotherInstance) {
    PluginInstance source(*library);
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    source->setParameter(source.get(), 24, 0.0f);  // Link off: both channels set apart
    for (VstInt32 i = 0; i < 26; ++i)
        if (i != 24) source->setParameter(source.get(), i, unit(random));
    const auto saved = chunkOf(source);
    ASSERT_EQ(saved.size(), 136u);

    PluginInstance target(*library);
    EXPECT_EQ(target.call(effSetChunk, 0, 136, const_cast<unsigned char*>(saved.data())), 136);
    for (VstInt32 i = 0; i < 26; ++i) {
        EXPECT_EQ(target->getParameter(target.get(), i), source->getParameter(source.get(), i)) << i;
        EXPECT_EQ(target.text(effGetParamDisplay, i), source.text(effGetParamDisplay, i)) << i;
    }
    EXPECT_EQ(chunkOf(target), saved);
}

TEST_F(StateThroughHost, RefusedChunksAnswerZeroAndChangeNothing) {
    PluginInstance e(*library);
    e->setParameter(e.get(), 1, 0.25f);
    auto good = chunkOf(e);
    const auto before = good;
    const auto refuse = [&](std::vector<unsigned char> bytes, VstIntPtr size) {
        EXPECT_EQ(e.call(effSetChunk, 0, size, bytes.data()), 0);
        EXPECT_EQ(chunkOf(e), before);
    };
    auto badCheck = good;
    const std::int32_t minus136 = -136;
    std::memcpy(badCheck.data() + 40, &minus136, 4);
    refuse(badCheck, 136);
    auto badZero = good;
    badZero[0] = 1;
    refuse(badZero, 136);
    auto badName = good;
    badName[5] = 'R';
    refuse(badName, 136);
    refuse(good, 135);
    refuse(good, 0);
}

TEST_F(StateThroughHost, LinkCouplesTheHighShelves) {
    PluginInstance e(*library);
    e->setParameter(e.get(), 23, 1.0f);
    EXPECT_EQ(e.text(effGetParamDisplay, 23), "+40");
    EXPECT_EQ(e.text(effGetParamDisplay, 14), "+40");
    e->setParameter(e.get(), 24, 0.0f);
    e->setParameter(e.get(), 23, 0.5f);
    EXPECT_EQ(e.text(effGetParamDisplay, 23), "+00");
    EXPECT_EQ(e.text(effGetParamDisplay, 14), "+40");
}

}  // namespace
}  // namespace integration
