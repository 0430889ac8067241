// The panel inside the CLAP, VST3 and LV2 plug-ins (Linux, under Xvfb), opened by
// their test hosts in a window of theirs: the VST 2.4 editor's picture pixel
// for pixel, a drag that the host hears as an edit of the same size as in
// the VST 2.4 library, host changes drawn, and nothing left behind.
// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
// clang-format on
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "editor_host_x11.h"
#include "format_plugins.h"
#include "plugin_instance.h"

namespace formats {
namespace {

constexpr int kPanelWidth = 544;
constexpr int kPanelHeight = 356;
constexpr int kOutput = 1;
constexpr float kHostOutput = 0.2f;
constexpr int kTickMs = 16;      // the hosts' timer period
constexpr int kSettleTicks = 12;  // what a paint or an edit is given
constexpr int kCycles = 20;
constexpr int kBlock = 64;
// A drag over the Output knob: 20 pixels to the right.
constexpr int kDragFromX = 92, kDragToX = 112, kDragY = 52;

int threadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

class FormatPanelX11 : public ::testing::TestWithParam<std::string> {
protected:
    static Display* display;
    static Window parent;

    static void SetUpTestSuite() {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display (the tests run under Xvfb)";
        parent = vsthost::createParentWindow(display, kPanelWidth + 40, kPanelHeight + 40);
    }
    static void TearDownTestSuite() {
        if (!display) return;
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
        display = nullptr;
    }

    std::unique_ptr<FormatPlugin> open() { return openers.at(GetParam())(); }
    static void tick(FormatPlugin& p, int ticks = kSettleTicks) {
        for (int i = 0; i < ticks; ++i) {
            p.idlePanel();
            std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
        }
    }
    static void processSilence(FormatPlugin& p) {
        std::vector<float> silence(kBlock, 0.0f), l(kBlock), r(kBlock);
        const float* in[2] = {silence.data(), silence.data()};
        float* out[2] = {l.data(), r.data()};
        p.process(in, out, kBlock);
    }
    static std::vector<std::uint32_t> capture() {
        int w = 0, h = 0;
        return vsthost::captureWindow(display, vsthost::firstChild(display, parent), w, h);
    }
    static void drag() {
        XTestFakeMotionEvent(display, DefaultScreen(display), kDragFromX, kDragY, CurrentTime);
        XTestFakeButtonEvent(display, Button1, True, CurrentTime);
        XTestFakeMotionEvent(display, DefaultScreen(display), kDragToX, kDragY, CurrentTime);
        XTestFakeButtonEvent(display, Button1, False, CurrentTime);
        XFlush(display);
    }
    static int childCount() {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &children, &count);
        if (children) XFree(children);
        return static_cast<int>(count);
    }
    static int clientCount() {
        XResClientIdSpec all{0, XRES_CLIENT_ID_PID_MASK};
        long count = 0;
        XResClientIdValue* ids = nullptr;
        XResQueryClientIds(display, 1, &all, &count, &ids);
        int ours = 0;
        for (long i = 0; i < count; ++i) ours += XResGetClientPid(&ids[i]) == getpid();
        XResClientIdsDestroy(count, ids);
        return ours;
    }

    // The VST 2.4 editor in the same parent: its pictures at the defaults
    // and with the host's Output value, and the change a drag makes.
    struct Vst2Reference {
        std::vector<std::uint32_t> defaults, hostSet;
        float dragChange = 0;
    };
    static const Vst2Reference& vst2() {
        static const Vst2Reference reference = [] {
            Vst2Reference r;
            vsthost::PluginLibrary library(vst2Path);
            vsthost::PluginInstance e(library);
            e.call(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
            vsthost::idleFor(e.get(), kSettleTicks * kTickMs);
            r.defaults = capture();
            e->setParameter(e.get(), kOutput, kHostOutput);
            vsthost::idleFor(e.get(), kSettleTicks * kTickMs);
            r.hostSet = capture();
            const float before = e->getParameter(e.get(), kOutput);
            drag();
            vsthost::idleFor(e.get(), kSettleTicks * kTickMs);
            e->getParameter(e.get(), 0);  // the one-entry cache now holds another parameter
            r.dragChange = e->getParameter(e.get(), kOutput) - before;
            e.call(effEditClose);
            return r;
        }();
        return reference;
    }
};

Display* FormatPanelX11::display = nullptr;
Window FormatPanelX11::parent = 0;

TEST_P(FormatPanelX11, OpensInTheHostsWindowWithTheVst2EditorsPicture) {
    const Vst2Reference& reference = vst2();
    auto plugin = open();
    plugin->start(48000, kBlock);
    ASSERT_TRUE(plugin->openPanel(parent));
    tick(*plugin);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, vsthost::firstChild(display, parent), &attributes);
    EXPECT_EQ(attributes.width, kPanelWidth);
    EXPECT_EQ(attributes.height, kPanelHeight);
    EXPECT_TRUE(capture() == reference.defaults) << "the picture differs from the VST 2.4 editor's";
    // The host's change goes with the next block, as hosts send them.
    plugin->setValue(kOutput, kHostOutput);
    processSilence(*plugin);
    tick(*plugin);
    EXPECT_TRUE(capture() == reference.hostSet) << "the host's value is not drawn as in the VST 2.4 editor";
    plugin->closePanel();
}

TEST_P(FormatPanelX11, KnobDragReachesTheHostAsOneEdit) {
    const Vst2Reference& reference = vst2();
    auto plugin = open();
    plugin->start(48000, kBlock);
    plugin->setValue(kOutput, kHostOutput);
    processSilence(*plugin);
    const double before = plugin->value(kOutput);
    ASSERT_TRUE(plugin->openPanel(parent));
    tick(*plugin);
    drag();
    tick(*plugin);
    processSilence(*plugin);  // where a format hands the panel's edits over
    const PanelEdits edits = plugin->takePanelEdits();
    EXPECT_EQ(edits.begins, 1);
    EXPECT_EQ(edits.ends, 1);
    ASSERT_FALSE(edits.values.empty());
    for (const auto& [index, value] : edits.values) EXPECT_EQ(index, kOutput);
    EXPECT_NEAR(edits.values.back().second - before, reference.dragChange, 1e-6);
    EXPECT_NEAR(plugin->value(kOutput) - before, reference.dragChange, 1e-6);
    plugin->closePanel();
}

TEST_P(FormatPanelX11, OpenAndCloseCyclesLeaveNoWindowClientOrThread) {
    auto plugin = open();
    ASSERT_TRUE(plugin->openPanel(parent));  // the libraries' first use stays loaded
    plugin->closePanel();
    const int clients = clientCount();
    const int threads = threadCount();
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(plugin->openPanel(parent));
        tick(*plugin, 1);
        plugin->closePanel();
    }
    XSync(display, False);
    EXPECT_EQ(childCount(), 0);
    EXPECT_EQ(clientCount(), clients);
    EXPECT_EQ(threadCount(), threads);
}

std::vector<std::string> formatNames() {
    std::vector<std::string> names;
    for (const auto& [name, opener] : openers) names.push_back(name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatPanelX11, ::testing::ValuesIn(formatNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace formats
