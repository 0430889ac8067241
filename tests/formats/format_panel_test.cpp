// The panel inside the CLAP, VST3 and LV2 plug-ins, opened by their test
// hosts in a window of theirs (Linux under Xvfb; Windows under Wine and
// Xvfb): the VST 2.4 editor's picture pixel for pixel, a drag that the host
// hears as one edit of the same size as in the VST 2.4 library, host
// changes drawn, and nothing left behind by open/close cycles.
#include <gtest/gtest.h>

#include <map>

#include "format_plugins.h"
#include "panel_window.h"
#include "params/param_table.h"
#include "plugin_instance.h"

namespace formats {
namespace {

constexpr int kPanelWidth = 544;
constexpr int kPanelHeight = 356;
constexpr int kOutput = 1;
constexpr float kVst2Output = 0.2f;  // normalised, as the VST 2.4 takes it
constexpr double kHostOutput = 8.0;  // the same Output in the formats' units, %
constexpr int kTickMs = 16;       // the hosts' timer period
constexpr int kSettleTicks = 12;  // what a paint or an edit is given
constexpr int kCycles = 20;
constexpr int kBlock = 64;
// A drag over the Output knob: 20 pixels to the right; another over M-Gain.
constexpr int kDragFromX = 92, kDragToX = 112, kDragY = 52;
constexpr int kGainDragFromX = 32, kGainDragToX = 52, kGainDragY = 178;
constexpr int kMGain = 6;
constexpr int kSGain = 15;

// The VST 2.4 editor in the same parent: its pictures at the defaults and
// with the host's Output value, and the change of Output a drag makes, %.
struct Vst2Reference {
    std::vector<std::uint32_t> defaults, hostSet;
    double dragChange = 0;
};

double outputPercent(float normalised) {
    return orv::engineeringValue(orv::Mapping::Output, normalised) * 100.0;
}

const Vst2Reference& vst2() {
    static const Vst2Reference reference = [] {
        Vst2Reference r;
        vsthost::PluginLibrary library(vst2Path);
        vsthost::PluginInstance e(library);
        e.call(effEditOpen, 0, 0, reinterpret_cast<void*>(panelwindow::parent()));
        panelwindow::idleVst2(e.get(), kSettleTicks * kTickMs);
        r.defaults = panelwindow::capture();
        e->setParameter(e.get(), kOutput, kVst2Output);
        panelwindow::idleVst2(e.get(), kSettleTicks * kTickMs);
        r.hostSet = panelwindow::capture();
        const float before = e->getParameter(e.get(), kOutput);
        panelwindow::drag(kDragFromX, kDragToX, kDragY);
        panelwindow::idleVst2(e.get(), kSettleTicks * kTickMs);
        e->getParameter(e.get(), 0);  // the one-entry cache now holds another parameter
        r.dragChange = outputPercent(e->getParameter(e.get(), kOutput)) - outputPercent(before);
        e.call(effEditClose);
        return r;
    }();
    return reference;
}

class FormatPanel : public ::testing::TestWithParam<std::string> {
protected:
    static void TearDownTestSuite() { panelwindow::release(); }

    std::unique_ptr<FormatPlugin> open() { return openers.at(GetParam())(); }
    static void tick(FormatPlugin& p, int ticks = kSettleTicks) {
        for (int i = 0; i < ticks; ++i) {
            p.idlePanel();
            panelwindow::pump(kTickMs);
        }
    }
    // Hosts send their changes, and take the plug-in's, with a block.
    static void processSilence(FormatPlugin& p) {
        std::vector<float> silence(kBlock, 0.0f), l(kBlock), r(kBlock);
        const float* in[2] = {silence.data(), silence.data()};
        float* out[2] = {l.data(), r.data()};
        p.process(in, out, kBlock);
    }
};

TEST_P(FormatPanel, OpensInTheHostsWindowWithTheVst2EditorsPicture) {
    const Vst2Reference& reference = vst2();
    ASSERT_EQ(reference.defaults.size(), static_cast<std::size_t>(kPanelWidth) * kPanelHeight);
    ASSERT_NE(reference.defaults, reference.hostSet);
    auto plugin = open();
    plugin->start(48000, kBlock);
    ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));
    tick(*plugin);
    EXPECT_EQ(panelwindow::panelWidth(), kPanelWidth);
    EXPECT_EQ(panelwindow::panelHeight(), kPanelHeight);
    EXPECT_TRUE(panelwindow::capture() == reference.defaults) << "the picture differs from the VST 2.4 editor's";
    plugin->setValue(kOutput, kHostOutput);
    processSilence(*plugin);
    tick(*plugin);
    EXPECT_TRUE(panelwindow::capture() == reference.hostSet) << "the host's value is drawn otherwise";
    plugin->closePanel();
}

TEST_P(FormatPanel, KnobDragReachesTheHostAsOneEdit) {
    const Vst2Reference& reference = vst2();
    ASSERT_GT(reference.dragChange, 5.0);
    auto plugin = open();
    plugin->start(48000, kBlock);
    plugin->setValue(kOutput, kHostOutput);
    processSilence(*plugin);
    const double before = plugin->value(kOutput);
    ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));
    tick(*plugin);
    panelwindow::drag(kDragFromX, kDragToX, kDragY);
    tick(*plugin);
    processSilence(*plugin);
    const PanelEdits edits = plugin->takePanelEdits();
    EXPECT_EQ(edits.begins, 1);
    EXPECT_EQ(edits.ends, 1);
    ASSERT_FALSE(edits.values.empty());
    for (const auto& [index, value] : edits.values) EXPECT_EQ(index, kOutput);
    EXPECT_NEAR(edits.values.back().second - before, reference.dragChange, 1e-6);
    EXPECT_NEAR(plugin->value(kOutput) - before, reference.dragChange, 1e-6);
    plugin->closePanel();
}

// With Link on, turning one channel's knob turns the other's: the host
// hears one edit of each, with the same values.
TEST_P(FormatPanel, WithLinkOnADragIsOneEditOfBothChannels) {
    auto plugin = open();
    plugin->start(48000, kBlock);
    ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));
    tick(*plugin);
    panelwindow::drag(kGainDragFromX, kGainDragToX, kGainDragY);
    tick(*plugin);
    processSilence(*plugin);
    const PanelEdits edits = plugin->takePanelEdits();
    EXPECT_EQ(edits.begins, 2);
    EXPECT_EQ(edits.ends, 2);
    std::map<int, std::vector<double>> byParameter;
    for (const auto& [index, value] : edits.values) byParameter[index].push_back(value);
    ASSERT_EQ(byParameter.size(), 2u);
    EXPECT_EQ(byParameter[kMGain], byParameter[kSGain]);
    EXPECT_GT(byParameter[kMGain].back(), 100.0);
    EXPECT_EQ(plugin->value(kMGain), plugin->value(kSGain));
    plugin->closePanel();
}

TEST_P(FormatPanel, OpenAndCloseCyclesLeaveNoWindowOrThread) {
    auto plugin = open();
    ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));  // the libraries' first use stays loaded
    tick(*plugin, 1);
    plugin->closePanel();
    panelwindow::pump(kTickMs);
    const int objects = panelwindow::windowSystemObjects();
    const int threads = panelwindow::threadCount();
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));
        tick(*plugin, 1);
        plugin->closePanel();
    }
    panelwindow::pump(kTickMs);
    EXPECT_EQ(panelwindow::childCount(), 0);
    EXPECT_EQ(panelwindow::windowSystemObjects(), objects);
    EXPECT_EQ(panelwindow::threadCount(), threads);
}

// Hosts may destroy their window, and the panel's with it, before they
// close the panel; the panel goes on idling and closes without harm.
TEST_P(FormatPanel, HostWindowDestroyedBeforeTheClose) {
    auto plugin = open();
    const std::uintptr_t window = panelwindow::newParent();
    ASSERT_TRUE(plugin->openPanel(window));
    tick(*plugin, 2);
    panelwindow::destroyParent(window);
    plugin->setValue(kOutput, kHostOutput);  // something to draw
    tick(*plugin, 2);
    plugin->closePanel();
    ASSERT_TRUE(plugin->openPanel(panelwindow::parent()));
    tick(*plugin, 2);
    EXPECT_EQ(panelwindow::childCount(), 1);
    plugin->closePanel();
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatPanel, ::testing::ValuesIn(formatNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace formats
