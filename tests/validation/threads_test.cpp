// Threads as hosts use them: one processing, one automating and reading
// every parameter, one saving and loading the state, and one opening the
// editor, dragging a knob in it (on X11 through the server) and closing it,
// all at once for a while.
#include <atomic>
#include <chrono>
#include <thread>

#include "validation.h"

#if defined(_WIN32)
#include <windows.h>

#include "editor_host_win32.h"
#else
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include "editor_host_x11.h"
#endif

namespace validation {
namespace {

using Threads = Suite;

constexpr auto kDuration = std::chrono::milliseconds(1500);

TEST_F(Threads, ProcessingAutomationStateAndEditorTogether) {
    Instance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    const std::uint32_t base = seed();
    std::thread audio([&] {
        std::mt19937 random(base + 1);
        Stereo s(256);
        while (!stop.load()) {
            fillTestSignal(s, random);
            e.process(s.ptr, s.ptr, 256);
            if (!s.finite()) finite.store(false);
        }
    });
    std::thread automation([&] {
        std::mt19937 random(base + 2);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        char text[64];
        while (!stop.load())
            for (VstInt32 i = 0; i < 26; ++i) {
                e->setParameter(e.get(), i, unit(random));
                e->getParameter(e.get(), i);
                e.call(effGetParamDisplay, i, 0, text);
            }
    });
    std::thread state([&] {
        while (!stop.load()) {
            auto c = e.chunk();
            e.call(effSetChunk, 0, static_cast<VstIntPtr>(c.size()), c.data());
        }
    });
#if defined(_WIN32)
    std::thread editor([&] {
        HWND parent = vsthost::createParentWindow(600, 400);
        while (!stop.load()) {
            e.call(effEditOpen, 0, 0, parent);
            vsthost::pumpMessages(20);
            e.call(effEditClose);
        }
    });
#else
    std::thread editor([&] {
        Display* display = XOpenDisplay(nullptr);
        if (!display) return;  // no X display: the editor part is left out
        const Window parent = vsthost::createParentWindow(display, 600, 400);
        for (int round = 0; !stop.load(); ++round) {
            e.call(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
            // A drag on the Output knob, then the host's idle calls.
            XTestFakeMotionEvent(display, -1, 92, 52, CurrentTime);
            XTestFakeButtonEvent(display, Button1, True, CurrentTime);
            XTestFakeMotionEvent(display, -1, 92 + round % 40, 52 - round % 7, CurrentTime);
            XTestFakeButtonEvent(display, Button1, False, CurrentTime);
            XFlush(display);
            vsthost::idleFor(e.get(), 20, 10);
            e.call(effEditClose);
        }
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    });
#endif
    std::this_thread::sleep_for(kDuration);
    stop.store(true);
    audio.join();
    automation.join();
    state.join();
    editor.join();
    EXPECT_TRUE(finite.load());
}

}  // namespace
}  // namespace validation
