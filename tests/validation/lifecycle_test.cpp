// Lifecycle: instances created and closed many times, several at once, the
// set-up calls in odd orders, and the library unloaded and loaded again.
#include "validation.h"

namespace validation {
namespace {

using Lifecycle = Suite;

TEST_F(Lifecycle, OpenAndClose100Times) {
    for (int i = 0; i < 100; ++i) {
        Instance e(*library);
        ASSERT_NE(e.get(), nullptr);
        e.call(effOpen);
        e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        ASSERT_EQ(e.close(), 1);
    }
}

TEST_F(Lifecycle, EightInstancesAtOnce) {
    std::vector<std::unique_ptr<Instance>> instances;
    for (int i = 0; i < 8; ++i) {
        instances.push_back(std::make_unique<Instance>(*library));
        ASSERT_NE(instances.back()->get(), nullptr);
        instances.back()->call(effOpen);
        instances.back()->call(effMainsChanged, 0, 1);
    }
    std::mt19937 random = generator();
    Stereo s(512);
    for (auto& e : instances) {
        fillTestSignal(s, random);
        e->process(s.ptr, s.ptr, 512);
        EXPECT_TRUE(s.finite());
    }
}

TEST_F(Lifecycle, OddSetUpOrders) {
    Instance e(*library);
    e.call(effOpen);
    e.call(effOpen);  // twice
    e.call(effMainsChanged, 0, 0);  // suspend before any resume
    for (int i = 0; i < 20; ++i) e.call(effMainsChanged, 0, i % 2);
    e.call(effSetBlockSize, 0, 0);
    e.call(effMainsChanged, 0, 1);
    Stereo s(256, 0.25f);
    e.process(s.ptr, s.ptr, 256);
    EXPECT_TRUE(s.finite());
}

TEST_F(Lifecycle, CloseWithoutEverResuming) {
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    EXPECT_EQ(e.close(), 1);
}

TEST_F(Lifecycle, LibraryUnloadedAndLoadedAgain) {
    for (int round = 0; round < 3; ++round) {
        vsthost::PluginLibrary again(pluginPath());
        ASSERT_TRUE(again.loaded()) << again.error();
        Instance e(again);
        ASSERT_NE(e.get(), nullptr);
        e.call(effMainsChanged, 0, 1);
        Stereo s(128, 0.5f);
        e.process(s.ptr, s.ptr, 128);
        EXPECT_TRUE(s.finite());
    }
}

}  // namespace
}  // namespace validation
