// The editor's records after the first build, and how host and editor
// changes mark them for repainting.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/orv_vst.h"

namespace orv {
namespace {

struct Expected {
    ControlKind kind;
    int left, top, width, height;
    std::uint32_t face;
    int paramIndex;
    std::string text;  // "" for none
};

constexpr std::uint32_t kRed = 0x5555FF, kBlue = 0xFF5555, kTeal = 0xAAAA55, kGrey = 0xBBBBBB;
constexpr auto L = ControlKind::Label;
constexpr auto K = ControlKind::Knob;
constexpr auto S = ControlKind::Selector;

// The panel as the layout describes it, written out record by record.
std::vector<Expected> expectedPanel() {
    std::vector<Expected> e = {
        {L, 4, 2, 356, 20, kGrey, -1, "Output"},   {S, 4, 26, 56, 52, kTeal, 0, "Normal"},
        {L, 4, 82, 56, 20, kGrey, 0, "Mode"},      {K, 64, 24, 56, 56, kRed, 1, ""},
        {L, 64, 82, 56, 20, kGrey, 0, "Gain"},     {K, 124, 24, 56, 56, kBlue, 2, ""},
        {L, 124, 82, 56, 20, kGrey, 0, "Bit"},     {K, 184, 24, 56, 56, kBlue, 3, ""},
        {L, 184, 82, 56, 20, kGrey, 0, "Freq."},   {K, 244, 24, 56, 56, kTeal, 4, ""},
        {L, 244, 82, 56, 20, kGrey, 0, "Auto"},    {S, 304, 24, 56, 52, kRed, 5, "ON"},
        {L, 304, 82, 56, 20, kGrey, 0, "Int."}};
    for (int r = 0; r < 2; ++r) {
        const int dy = 126 * r;
        const int p = 6 + 9 * r;
        const std::vector<Expected> row = {
            {L, 4, 106 + dy, 536, 20, kGrey, -1, r == 0 ? "Mid(L)" : "Side(R)"},
            {L, 4, 128 + dy, 116, 20, kGrey, -1, "Input"},
            {K, 4, 150 + dy, 56, 56, kRed, p, ""},          {L, 4, 208 + dy, 56, 20, kGrey, 0, "Gain"},
            {K, 64, 150 + dy, 56, 56, kBlue, p + 1, ""},    {L, 64, 208 + dy, 56, 20, kGrey, 0, "Comp."},
            {L, 124, 128 + dy, 116, 20, kGrey, -1, "Low shelf"},
            {K, 124, 150 + dy, 56, 56, kTeal, p + 2, ""},   {L, 124, 208 + dy, 56, 20, kGrey, 0, "Freq."},
            {K, 184, 150 + dy, 56, 56, kRed, p + 3, ""},    {L, 184, 208 + dy, 56, 20, kGrey, 0, "Gain"},
            {L, 244, 128 + dy, 176, 20, kGrey, -1, "Peaking"},
            {K, 244, 150 + dy, 56, 56, kTeal, p + 4, ""},   {L, 244, 208 + dy, 56, 20, kGrey, 0, "Freq."},
            {K, 304, 150 + dy, 56, 56, kBlue, p + 5, ""},   {L, 304, 208 + dy, 56, 20, kGrey, 0, "Band"},
            {K, 364, 150 + dy, 56, 56, kRed, p + 6, ""},    {L, 364, 208 + dy, 56, 20, kGrey, 0, "Gain"},
            {L, 424, 128 + dy, 116, 20, kGrey, -1, "High shelf"},
            {K, 424, 150 + dy, 56, 56, kTeal, p + 7, ""},   {L, 424, 208 + dy, 56, 20, kGrey, 0, "Freq."},
            {K, 484, 150 + dy, 56, 56, kRed, p + 8, ""},    {L, 484, 208 + dy, 56, 20, kGrey, 0, "Gain"}};
        e.insert(e.end(), row.begin(), row.end());
    }
    const std::vector<Expected> option = {
        {L, 364, 2, 116, 20, kGrey, -1, "Option"}, {S, 364, 24, 56, 52, kTeal, 24, "ON"},
        {L, 364, 82, 56, 20, kGrey, 0, "P.Link"},  {S, 424, 24, 56, 52, kBlue, 25, "OFF"},
        {L, 424, 82, 56, 20, kGrey, 0, "Bypass"}};
    e.insert(e.end(), option.begin(), option.end());
    return e;
}

std::vector<PanelControl*> walk(EffectCore& core) {
    std::vector<PanelControl*> list;
    for (PanelControl* c = core.panel.controlList.load(); c; c = c->next) list.push_back(c);
    return list;
}

class Panel : public ::testing::Test {
protected:
    orvVst effect{nullptr};
    EffectCore& core = effect.core();

    void clearMarks() {
        for (PanelControl* c : walk(core)) clearDirty(*c);
    }
    std::vector<int> dirtyIndices() {
        std::vector<int> marked;
        const auto list = walk(core);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (isDirty(*list[i])) marked.push_back(static_cast<int>(i));
        return marked;
    }
};

TEST_F(Panel, NothingBeforeTheFirstBuild) { EXPECT_EQ(core.panel.controlList.load(), nullptr); }

TEST_F(Panel, RecordsInListOrderWithTheirFields) {
    effect.buildControls();
    const auto list = walk(core);
    const auto expected = expectedPanel();
    ASSERT_EQ(list.size(), 64u);
    ASSERT_EQ(expected.size(), 64u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const PanelControl& c = *list[i];
        const Expected& x = expected[i];
        SCOPED_TRACE("record " + std::to_string(i + 1));
        EXPECT_EQ(c.kind, static_cast<std::int8_t>(x.kind));
        EXPECT_EQ(c.left, x.left);
        EXPECT_EQ(c.top, x.top);
        EXPECT_EQ(c.width, x.width);
        EXPECT_EQ(c.height, x.height);
        EXPECT_EQ(c.faceColor, x.face);
        EXPECT_EQ(c.paramIndex, x.paramIndex);
        EXPECT_EQ(c.text ? std::string(c.text) : std::string(), x.text);
        EXPECT_EQ(c.styleFlags, 0u);
        EXPECT_TRUE(isDirty(*list[i]));
        const bool isSwitch = c.kind == 2 && c.paramIndex != 0;
        EXPECT_EQ(c.fontSize, isSwitch ? 22 : 16);
        if (c.kind == 7) {
            EXPECT_EQ(c.count, 200);
        }
        if (c.kind == 8) {
            EXPECT_EQ(c.count, c.paramIndex == -1 ? 1 : 0);
        }
    }
    EXPECT_EQ(core.panel.frameColor, 0x555555u);
    EXPECT_EQ(core.panel.backgroundColor, 0x888888u);
}

TEST_F(Panel, TextColoursFollowTheScheme) {
    effect.buildControls();
    for (PanelControl* c : walk(core)) {
        const std::uint32_t expected = c->faceColor == kRed    ? 0x080855u
                                       : c->faceColor == kBlue ? 0x550808u
                                       : c->faceColor == kTeal ? 0x084408u
                                                               : 0x333333u;
        EXPECT_EQ(c->textColor, expected);
    }
}

TEST_F(Panel, ControlsAreAddressableByParameter) {
    effect.buildControls();
    for (int i = 0; i < kNumParams; ++i) EXPECT_EQ(core.panel.paramControls[i].paramIndex, i);
    EXPECT_EQ(core.panel.paramControls[15].left, 4);
    EXPECT_EQ(core.panel.paramControls[15].top, 276);
    EXPECT_EQ(core.panel.paramControls[23].left, 484);
    EXPECT_EQ(core.panel.paramControls[23].top, 276);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(core.panel.paramControls[15 + k].left, core.panel.paramControls[6 + k].left);
        EXPECT_EQ(core.panel.paramControls[15 + k].top, core.panel.paramControls[6 + k].top + 126);
        EXPECT_EQ(core.panel.paramLabels[15 + k].top, core.panel.paramLabels[6 + k].top + 126);
    }
    const float* mode = core.panel.paramControls[kMode].stateValues;
    EXPECT_EQ(mode[1], 1.0f / 3.0f);
    EXPECT_EQ(mode[2], 2.0f / 3.0f);
    std::uint32_t bits;
    std::memcpy(&bits, &core.panel.paramControls[kInt].stateValues[1], 4);
    EXPECT_EQ(bits, 0x3F19999Au);
    EXPECT_EQ(core.panel.paramControls[kLink].stateValues, core.panel.paramControls[kBypass].stateValues);
    EXPECT_NE(core.panel.paramControls[kInt].stateValues, core.panel.paramControls[kLink].stateValues);
}

TEST_F(Panel, EverythingInsideThePanelAndNothingOverlaps) {
    effect.buildControls();
    const auto list = walk(core);
    for (const PanelControl* a : list) {
        EXPECT_GE(a->left, 0);
        EXPECT_GE(a->top, 0);
        EXPECT_LE(a->left + a->width, 544);
        EXPECT_LE(a->top + a->height, 356);
        for (const PanelControl* b : list) {
            if (a == b) continue;
            // Right and bottom edges count as inside, as hit-testing has it.
            const bool apart = a->left + a->width < b->left || b->left + b->width < a->left ||
                               a->top + a->height < b->top || b->top + b->height < a->top;
            EXPECT_TRUE(apart) << a->left << "," << a->top << " and " << b->left << "," << b->top;
        }
    }
}

TEST_F(Panel, SelectorsReadTheCurrentValuesWhenBuilt) {
    effect.setParameter(kMode, 1.0f);
    effect.setParameter(kBypass, 1.0f);
    effect.buildControls();
    EXPECT_STREQ(core.panel.paramControls[kMode].text, "from M/S");
    EXPECT_STREQ(core.panel.paramControls[kBypass].text, "ON");
}

TEST_F(Panel, BuildRefreshesTheCache) {
    effect.buildControls();
    char text[kDisplayTextSize];
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(core.panel.cachedValue(i), core.readParameter(i, text, sizeof text));
}

TEST_F(Panel, HostChangesMarkTheRecordsOfTheirParameter) {
    effect.buildControls();
    clearMarks();
    effect.setParameter(kOutput, core.panel.cachedValue(kOutput));
    EXPECT_TRUE(dirtyIndices().empty());
    effect.setParameter(kOutput, 0.2f);
    EXPECT_EQ(dirtyIndices(), std::vector<int>{3});
    clearMarks();
    // Mode re-points the selector's text and marks it even when unchanged;
    // the labels, bound to Mode by their zero-filled index, are marked too.
    effect.setParameter(kMode, core.panel.cachedValue(kMode));
    EXPECT_STREQ(core.panel.paramControls[kMode].text, "Normal");
    EXPECT_TRUE(isDirty(core.panel.paramControls[kMode]));
    EXPECT_FALSE(isDirty(core.panel.paramLabels[3]));
    effect.setParameter(kMode, 0.5f);
    EXPECT_STREQ(core.panel.paramControls[kMode].text, "M/S");
    for (int i = 0; i < kNumParams; ++i) EXPECT_TRUE(isDirty(core.panel.paramLabels[i])) << i;
}

TEST_F(Panel, LinkMarksBothMembers) {
    effect.buildControls();
    clearMarks();
    effect.setParameter(channelParamIndex(0, kSlotPeakGain), 0.9f);
    EXPECT_TRUE(isDirty(core.panel.paramControls[12]));
    EXPECT_TRUE(isDirty(core.panel.paramControls[21]));
}

TEST_F(Panel, EditorChangesGoThroughTheSetPath) {
    effect.buildControls();
    clearMarks();
    PanelControl& output = core.panel.paramControls[kOutput];
    effect.applyControlValue(output, 0.5f);
    EXPECT_EQ(core.panel.cachedValue(kOutput), 0.5f);
    EXPECT_FLOAT_EQ(core.state().output, 0.5f);
    EXPECT_TRUE(isDirty(output));
    // A value outside 0..1 re-submits the cached one.
    core.stampHeader();
    StateBlock loaded = core.state();
    loaded.output = 1.7f;
    ASSERT_EQ(core.applyState(&loaded, kStateSize), kStateSize);
    clearMarks();
    effect.applyControlValue(output, 2.0f);
    EXPECT_EQ(core.panel.cachedValue(kOutput), 0.5f);
    EXPECT_FLOAT_EQ(core.state().output, 0.5f);
    EXPECT_TRUE(isDirty(output));
    // An unbound record changes nothing in the effect.
    const StateBlock before = core.state();
    clearMarks();
    effect.applyControlValue(core.panel.captions[0], 0.3f);
    EXPECT_EQ(std::memcmp(&before, &core.state(), sizeof before), 0);
    EXPECT_TRUE(dirtyIndices().empty());
}

TEST(ScaledBounds, ZeroSizesBecomeOne) {
    PanelControl c{};
    c.left = 10;
    c.top = 7;
    c.width = 0;
    c.height = 3;
    c.fontSize = 16;
    const ScaledBounds b = c.scaledBounds(1.0f);
    EXPECT_EQ(b.width, 1);
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(b.fontSize, 16);
    const ScaledBounds half = c.scaledBounds(0.5f);
    EXPECT_EQ(half.left, 5);
    EXPECT_EQ(half.top, 3);
    EXPECT_EQ(half.height, 1);
    EXPECT_EQ(half.fontSize, 8);
}

}  // namespace
}  // namespace orv
