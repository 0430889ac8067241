// The editor in a real X11 window (Linux build, under Xvfb): the child
// window in a parent of the test's, the picture against the Windows build's,
// pointer input through XTest, repaints driven by the host's automation and
// by MIDI, and every X resource and thread given back.
// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include "plugin_fixture.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "editor_host_x11.h"
#include "midi_events.h"
#include "x11_resources.h"

namespace integration {
namespace {

using vsthost::captureWindow;
using vsthost::firstChild;
using vsthost::idleFor;

constexpr int kPanelWidth = 544;
constexpr int kPanelHeight = 356;
constexpr int kIdleMs = 30;         // a host's idle period
constexpr int kFirstPaintMs = 200;  // what the tests give the first paint
constexpr int kOutput = 1;

// The share of pixels that may differ from the Windows picture: the glyphs
// of DejaVu Sans and of Wine's default face differ, the shapes agree to a
// pixel here and there (measured: 4.7 % of the panel).
constexpr double kMaxDifferentShare = 0.06;

int threadCount() { return support::threadsOfProcess(); }

class EditorWindowX11 : public PluginTest {
protected:
    static Display* display;
    static Window parents[8];
    Window parent = 0;

    static void SetUpTestSuite() {
        PluginTest::SetUpTestSuite();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display (the tests run under Xvfb)";
        for (Window& p : parents) p = vsthost::createParentWindow(display, kPanelWidth + 40, kPanelHeight + 40);
    }
    static void TearDownTestSuite() {
        if (display) {
            for (Window p : parents) XDestroyWindow(display, p);
            XCloseDisplay(display);
            display = nullptr;
        }
        PluginTest::TearDownTestSuite();
    }
    // The parents share the root's corner; the one in use goes on top, so
    // the editor is visible to captures and to the pointer.
    void SetUp() override {
        parent = parents[0];
        XRaiseWindow(display, parent);
        XSync(display, False);
    }

    static void* handleOf(Window w) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w)); }
    static int childCount(Window w) {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, w, &root, &up, &children, &count);
        if (children) XFree(children);
        return static_cast<int>(count);
    }
    static std::vector<std::uint32_t> capture(Window editor) {
        int w = 0, h = 0;
        return captureWindow(display, editor, w, h);
    }
    static std::uint32_t pixel(const std::vector<std::uint32_t>& p, int x, int y) {
        return p[static_cast<std::size_t>(y) * kPanelWidth + x];
    }
    // Pointer input as a user's, through the server: the parent sits at the
    // root's corner, the editor at the parent's.
    static void movePointer(int x, int y) {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
        XFlush(display);
    }
    static void button(unsigned number, bool down) {
        XTestFakeButtonEvent(display, number, down ? True : False, CurrentTime);
        XFlush(display);
    }
    static void click(int x, int y, unsigned number) {
        movePointer(x, y);
        button(number, true);
        button(number, false);
    }
    // The X clients of this process (every open editor has one).
    static int clientCount() { return support::xClientsOfProcess(display); }
    // Pixels that differ between two captures, outside the box (l, t, r, b).
    static int changesOutside(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int l,
                              int t, int r, int bottom) {
        int changed = 0;
        for (int y = 0; y < kPanelHeight; ++y)
            for (int x = 0; x < kPanelWidth; ++x)
                if ((x < l || x >= r || y < t || y >= bottom) && pixel(a, x, y) != pixel(b, x, y)) ++changed;
        return changed;
    }
};

Display* EditorWindowX11::display = nullptr;
Window EditorWindowX11::parents[8] = {};

TEST_F(EditorWindowX11, ChildWindowOfTheHostsWindowWithTheEditorsSize) {
    PluginInstance e(*library);
    ERect* rect = nullptr;
    ASSERT_EQ(e.call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, kPanelWidth);
    EXPECT_EQ(rect->bottom, kPanelHeight);
    ASSERT_EQ(e.call(effEditOpen, 0, 0, handleOf(parent)), 1);
    const Window child = firstChild(display, parent);
    ASSERT_NE(child, 0u);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, child, &attributes);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, kPanelWidth);
    EXPECT_EQ(attributes.height, kPanelHeight);
    ASSERT_EQ(e.call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, kPanelWidth);
    EXPECT_EQ(e.call(effEditOpen, 0, 0, handleOf(parent)), 1);  // twice: the earlier window goes
    XSync(display, False);
    EXPECT_EQ(childCount(parent), 1);
    e.call(effEditClose);
    e.call(effEditClose);  // unpaired: changes nothing
    XSync(display, False);
    EXPECT_EQ(childCount(parent), 0);
}

TEST_F(EditorWindowX11, PictureMatchesTheWindowsBuilds) {
    const char* path = std::getenv("ORV_WINDOWS_PICTURE");
    ASSERT_NE(path, nullptr);
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(file)), {});
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(kPanelWidth) * kPanelHeight * 3);
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, handleOf(parent));
    idleFor(e.get(), kFirstPaintMs);
    const auto ours = capture(firstChild(display, parent));
    e.call(effEditClose);
    ASSERT_EQ(ours.size(), static_cast<std::size_t>(kPanelWidth) * kPanelHeight);
    const auto windows = [&](int x, int y) {
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * kPanelWidth + x);
        return static_cast<std::uint32_t>(rgb[i] | (rgb[i + 1] << 8) | (rgb[i + 2] << 16));
    };
    // Background, caption fill, knob ring, knob bodies, selector face, switch text.
    const int probes[][2] = {{300, 104}, {6, 5},    {16, 212}, {117, 52}, {85, 66},
                             {145, 66},  {265, 66}, {500, 300}, {20, 30},  {330, 50}, {395, 50}};
    for (const auto& p : probes) EXPECT_EQ(pixel(ours, p[0], p[1]), windows(p[0], p[1])) << p[0] << "," << p[1];
    int different = 0;
    for (int y = 0; y < kPanelHeight; ++y)
        for (int x = 0; x < kPanelWidth; ++x) different += pixel(ours, x, y) != windows(x, y);
    const double share = static_cast<double>(different) / (kPanelWidth * kPanelHeight);
    std::printf("pixels that differ from the Windows picture: %d (%.2f %%)\n", different, 100 * share);
    EXPECT_LE(share, kMaxDifferentShare);
}

TEST_F(EditorWindowX11, KnobDragChangesTheParameterAndRepaintsOnlyThatKnob) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, handleOf(parent));
    const Window child = firstChild(display, parent);
    idleFor(e.get(), kFirstPaintMs);
    const auto before = capture(child);
    const float start = e->getParameter(e.get(), kOutput);
    e->getParameter(e.get(), 0);  // the one-entry cache now holds another parameter
    movePointer(92, 52);
    button(Button1, true);
    movePointer(112, 52);
    button(Button1, false);
    idleFor(e.get(), 4 * kIdleMs);
    // 20 pixels of a 200-pixel sweep: +0.1, then the Output steps of 0.01.
    const float x = start + 0.1f;
    const float stepped = static_cast<float>(static_cast<int>(x * x * 200.9f)) * 0.01f;
    EXPECT_FLOAT_EQ(e->getParameter(e.get(), kOutput), std::sqrt(stepped * 0.5f));
    const auto after = capture(child);
    EXPECT_NE(before, after);
    EXPECT_EQ(changesOutside(before, after, 64, 24, 120, 80), 0);  // the Output knob's box
    e.call(effEditClose);
}

TEST_F(EditorWindowX11, ModeSelectorStepsWithBothButtons) {
    PluginInstance e(*library);
    e.call(effEditOpen, 0, 0, handleOf(parent));
    idleFor(e.get(), kFirstPaintMs);
    click(30, 50, Button1);
    idleFor(e.get(), 3 * kIdleMs);
    EXPECT_EQ(e.text(effGetParamDisplay, 0), "M/S");
    click(30, 50, Button3);
    idleFor(e.get(), 3 * kIdleMs);
    EXPECT_EQ(e.text(effGetParamDisplay, 0), "Normal");
    e.call(effEditClose);
}

// The knob shows a value set by the host's automation on another thread,
// and one set by a MIDI controller in the audio pass, after two idle
// periods with no other event.
TEST_F(EditorWindowX11, AutomationAndControllersShowWithinTwoIdlePeriods) {
    PluginInstance e(*library);
    e.call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e.call(effMainsChanged, 0, 1);
    e.call(effEditOpen, 0, 0, handleOf(parent));
    const Window child = firstChild(display, parent);
    idleFor(e.get(), kFirstPaintMs);
    const auto initial = capture(child);
    std::thread([&] { e->setParameter(e.get(), kOutput, 0.2f); }).join();
    idleFor(e.get(), 2 * kIdleMs);
    const auto automated = capture(child);
    EXPECT_NE(changesOutside(initial, automated, 0, 0, 0, 0), 0);
    vsthost::MidiEventList events;
    events.add(0, 0xB0, 20, 127);  // Output to 2.0
    e.call(effProcessEvents, 0, 0, events.events());
    std::vector<float> silence(64, 0.0f);
    float* channels[2] = {silence.data(), silence.data()};
    std::thread([&] { e.process(channels, channels, 64); }).join();
    idleFor(e.get(), 2 * kIdleMs);
    EXPECT_NE(changesOutside(automated, capture(child), 0, 0, 0, 0), 0);
    e.call(effEditClose);
}

TEST_F(EditorWindowX11, OpenAndCloseGiveBackEveryWindowAndThread) {
    const int clients = clientCount();
    const int threads = threadCount();
    {
        PluginInstance e(*library);
        for (int i = 0; i < 50; ++i) {
            e.call(effEditOpen, 0, 0, handleOf(parent));
            e.call(effEditIdle);
            e.call(effEditClose);
        }
        XSync(display, False);
        EXPECT_EQ(childCount(parent), 0);
        EXPECT_EQ(clientCount(), clients);
        EXPECT_EQ(threadCount(), threads);
    }
    {
        std::vector<std::unique_ptr<PluginInstance>> editors;
        for (Window p : parents) {
            editors.push_back(std::make_unique<PluginInstance>(*library));
            editors.back()->call(effEditOpen, 0, 0, handleOf(p));
        }
        idleFor(editors[0]->get(), 3 * kIdleMs);
        EXPECT_EQ(clientCount(), clients + 8);
        int windows = 0, pixmaps = 0;
        for (Window p : parents) windows += childCount(p);
        EXPECT_EQ(windows, 8);
        XResClient* list = nullptr;
        int count = 0;
        XResQueryClients(display, &count, &list);
        for (int i = 0; i < count; ++i) {
            XResType* types = nullptr;
            int typeCount = 0;
            XResQueryClientResources(display, list[i].resource_base, &typeCount, &types);
            for (int t = 0; t < typeCount; ++t)
                if (types[t].resource_type == XInternAtom(display, "PIXMAP", False)) pixmaps += types[t].count;
            XFree(types);
        }
        XFree(list);
        EXPECT_GE(pixmaps, 8);
        // Destroying an effect with its editor open closes the editor.
        editors.clear();
    }
    XSync(display, False);
    for (Window p : parents) EXPECT_EQ(childCount(p), 0);
    EXPECT_EQ(clientCount(), clients);
    EXPECT_EQ(threadCount(), threads);
}

}  // namespace
}  // namespace integration
