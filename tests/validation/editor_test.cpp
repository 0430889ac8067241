// The editor as hosts drive it (Windows build): many open/close cycles,
// opening while audio runs, unpaired calls, closing the effect with its
// editor open, and two editors at once.
#include <windows.h>

#include <atomic>
#include <thread>

#include "editor_host_win32.h"
#include "validation.h"

namespace validation {
namespace {

class Editor : public Suite {
protected:
    static HWND parents[2];
    static void SetUpTestSuite() {
        Suite::SetUpTestSuite();
        for (HWND& p : parents) p = vsthost::createParentWindow(600, 420);
    }
    static HWND child(HWND parent) { return FindWindowExA(parent, nullptr, nullptr, "Window"); }
};

HWND Editor::parents[2] = {};

TEST_F(Editor, OpenAndClose50Times) {
    Instance e(*library);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(e.call(effEditOpen, 0, 0, parents[0]), 1);
        vsthost::pumpMessages(5);
        ASSERT_NE(child(parents[0]), nullptr);
        e.call(effEditClose);
        ASSERT_EQ(child(parents[0]), nullptr);
    }
}

TEST_F(Editor, OpenWhileProcessing) {
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        Stereo s(128, 0.4f);
        while (!stop.load()) e.process(s.ptr, s.ptr, 128);
    });
    for (int i = 0; i < 10; ++i) {
        e.call(effEditOpen, 0, 0, parents[0]);
        e->setParameter(e.get(), 1, 0.1f * i);
        vsthost::pumpMessages(20);
        e.call(effEditClose);
    }
    stop.store(true);
    audio.join();
}

TEST_F(Editor, OddCallsAndOddOrders) {
    Instance e(*library);
    ERect* rect = nullptr;
    EXPECT_EQ(e.call(effEditGetRect, 0, 0, &rect), 1);  // before any open
    EXPECT_EQ(e.call(effEditClose), 0);                  // close without open
    e.call(effSetSampleRate, 0, 0, nullptr, 0.0f);       // a rate of 0
    EXPECT_EQ(e.call(effEditOpen, 0, 0, parents[0]), 1);
    EXPECT_EQ(e.call(effEditOpen, 0, 0, parents[0]), 1);  // twice without close
    vsthost::pumpMessages(30);
    HWND window = child(parents[0]);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(e.close(), 1);                             // the effect closes with its editor open
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Editor, TwoEditorsAtOnce) {
    Instance a(*library), b(*library);
    a.call(effEditOpen, 0, 0, parents[0]);
    b.call(effEditOpen, 0, 0, parents[1]);
    vsthost::pumpMessages(50);
    EXPECT_NE(child(parents[0]), nullptr);
    EXPECT_NE(child(parents[1]), nullptr);
    a.call(effEditClose);
    vsthost::pumpMessages(20);
    EXPECT_NE(child(parents[1]), nullptr);
    b.call(effEditClose);
}

}  // namespace
}  // namespace validation
