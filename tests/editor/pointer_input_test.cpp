// Mouse gestures on the panel's records: selectors, knob drags with and
// without Shift, toggles, faders, focus and the TextBox commit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "editor/pointer_input.h"
#include "host/orv_vst.h"

namespace orv {
namespace {

class FakeEditField : public EditField {
public:
    std::string text = "typed";
    int moves = 0;
    int lastLeft = -1;
    void setText(const char* t) override { text = t ? t : ""; }
    void getText(char* buffer, std::uint32_t capacity) override {
        std::strncpy(buffer, text.c_str(), capacity - 1);
        buffer[capacity - 1] = '\0';
    }
    void move(int left, int, int, int) override {
        ++moves;
        lastLeft = left;
    }
};

class Pointer : public ::testing::Test {
protected:
    orvVst effect{nullptr};
    EffectCore& core = effect.core();
    PointerState pointer;
    FakeEditField field;

    Pointer() { effect.buildControls(); }
    bool send(MouseEvent e, int x, int y, bool fine = false) {
        return handleMouse(effect, pointer, &field, e, x, y, fine);
    }
    void click(const PanelControl& c, bool left = true) {
        send(left ? MouseEvent::LeftDown : MouseEvent::RightDown, c.left + 5, c.top + 5);
        send(left ? MouseEvent::LeftUp : MouseEvent::RightUp, c.left + 5, c.top + 5);
    }
    // A drag on a record from its centre by (dx, dy) in one motion.
    void drag(const PanelControl& c, int dx, int dy, bool fine = false) {
        const int x = c.left + c.width / 2, y = c.top + c.height / 2;
        send(MouseEvent::LeftDown, x, y);
        send(MouseEvent::Move, x + dx, y + dy, fine);
        send(MouseEvent::LeftUp, x + dx, y + dy);
    }
    // Puts one extra record of our own in front of the panel's list.
    PanelControl& own(ControlKind kind, float value) {
        extra = PanelControl{};
        extra.kind = static_cast<std::int8_t>(kind);
        extra.left = 600;
        extra.top = 400;
        extra.width = 56;
        extra.height = 56;
        extra.paramIndex = -1;
        extra.value = value;
        extra.next = core.panel.controlList.load();
        core.panel.controlList.store(&extra);
        return extra;
    }
    PanelControl extra{};
};

TEST_F(Pointer, SelectorStepsAndWraps) {
    PanelControl& mode = core.panel.paramControls[kMode];
    click(mode);
    EXPECT_STREQ(mode.text, "M/S");
    EXPECT_EQ(effect.getParameter(kMode), 0.33333334f);
    click(mode, false);
    EXPECT_STREQ(mode.text, "Normal");
    click(mode, false);
    EXPECT_STREQ(mode.text, "from M/S");
    click(mode);
    EXPECT_STREQ(mode.text, "Normal");
}

// A value between the states steps from the state it stands for ("M/S"
// for 0.5), and a switch read back as 1.0 is ON, so both buttons toggle it.
TEST_F(Pointer, SelectorsStepFromTheStateTheirValueStandsFor) {
    PanelControl& mode = core.panel.paramControls[kMode];
    effect.setParameter(kMode, 0.5f);
    click(mode);
    EXPECT_STREQ(mode.text, "to M/S");
    effect.setParameter(kMode, 0.5f);
    click(mode, false);
    EXPECT_STREQ(mode.text, "Normal");
    PanelControl& link = core.panel.paramControls[kLink];
    effect.setParameter(kLink, 1.0f);
    EXPECT_EQ(effect.getParameter(kLink), 1.0f);
    click(link, false);
    EXPECT_STREQ(link.text, "OFF");
    click(link, false);
    EXPECT_STREQ(link.text, "ON");
    click(link);
    EXPECT_STREQ(link.text, "OFF");
}

TEST_F(Pointer, DoubleClickStepsOnce) {
    PanelControl& mode = core.panel.paramControls[kMode];
    click(mode);
    // The second press of a double-click is its own message, not handled.
    EXPECT_FALSE(send(MouseEvent::Other, mode.left + 5, mode.top + 5));
    send(MouseEvent::LeftUp, mode.left + 5, mode.top + 5);
    EXPECT_STREQ(mode.text, "M/S");
}

TEST_F(Pointer, KnobDragRates) {
    const PanelControl& out = core.panel.paramControls[kOutput];
    const float start = core.panel.cachedValue(kOutput);
    drag(out, 100, 0);
    EXPECT_FLOAT_EQ(core.panel.cachedValue(kOutput), std::min(1.0f, start + 0.5f));
    effect.setParameter(kOutput, 0.2f);
    drag(out, 100, 0, true);
    EXPECT_FLOAT_EQ(core.panel.cachedValue(kOutput), 0.3f);
    effect.setParameter(kOutput, 0.2f);
    drag(out, 10, -20);  // 10 right, 20 up: the larger motion counts
    EXPECT_FLOAT_EQ(core.panel.cachedValue(kOutput), 0.3f);
    effect.setParameter(kOutput, 0.5f);
    drag(out, -30, 10);  // left wins over down
    EXPECT_FLOAT_EQ(core.panel.cachedValue(kOutput), 0.35f);
}

TEST_F(Pointer, ShiftIsReadAtEachMotion) {
    const PanelControl& bit = core.panel.paramControls[kBit];
    effect.setParameter(kBit, 0.2f);
    const int x = bit.left + 28, y = bit.top + 28;
    send(MouseEvent::LeftDown, x, y);
    send(MouseEvent::Move, x + 20, y, false);
    send(MouseEvent::Move, x + 40, y, true);
    send(MouseEvent::LeftUp, x + 40, y);
    EXPECT_FLOAT_EQ(core.panel.cachedValue(kBit), 0.2f + 0.1f + 0.02f);
}

// A host polling the rounded read-back during a drag does not hold the
// drag back: it goes on from its own position.
TEST_F(Pointer, SlowDragOfASteppedKnobIsNotStalledByHostPolls) {
    const PanelControl& bit = core.panel.paramControls[kBit];
    const auto slowDrag = [&](bool poll) {
        effect.setParameter(kBit, 0.0f);
        const int x = bit.left + 28, y = bit.top + 28;
        send(MouseEvent::LeftDown, x, y);
        for (int i = 1; i <= 60; ++i) {
            send(MouseEvent::Move, x + i, y);
            if (poll) effect.getParameter(kBit);
        }
        send(MouseEvent::LeftUp, x + 60, y);
        return effect.core().state().bit;
    };
    const int unpolled = slowDrag(false);
    EXPECT_EQ(unpolled, 4);  // 60 pixels of 200: 0.3 * 11.9 + 1
    EXPECT_EQ(slowDrag(true), unpolled);
}

// With Link on, the partner's knob is drawn from its new value at once.
TEST_F(Pointer, LinkedPartnerIsDrawnFromItsNewValue) {
    drag(core.panel.paramControls[kMGain], 60, 0);
    EXPECT_EQ(core.panel.cachedValue(kSGain), core.panel.cachedValue(kMGain));
    EXPECT_TRUE(isDirty(core.panel.paramControls[kSGain]));
    char text[kDisplayTextSize];
    EXPECT_EQ(core.panel.cachedValue(kSGain), core.readParameter(kSGain, text, sizeof text));
}

// A value the host is answered from the one-entry display cache may be
// older than the panel's; it does not overwrite what the panel draws.
TEST_F(Pointer, StaleReadBackDoesNotReachThePanel) {
    effect.getParameter(kOutput);  // fills the display cache for Output
    core.setParameterValue(kOutput, 0.9f);  // e.g. a controller, past the host
    char text[kDisplayTextSize];
    const float fresh = core.readParameter(kOutput, text, sizeof text);
    core.panel.storeCachedValue(kOutput, fresh);  // the panel's full repaint
    effect.getParameter(kOutput);           // answered from the display cache
    EXPECT_EQ(core.panel.cachedValue(kOutput), fresh);
}

TEST_F(Pointer, KnobWithoutCountSweepsOverThreeWidths) {
    PanelControl& knob = own(ControlKind::Knob, 0.0f);
    knob.count = 0;
    drag(knob, 84, 0);
    EXPECT_FLOAT_EQ(knob.value, 0.5f);
    drag(knob, 84, 0);
    EXPECT_FLOAT_EQ(knob.value, 1.0f);
}

TEST_F(Pointer, ToggleBoxFromSixTenthsToZeroToOne) {
    PanelControl& toggle = own(ControlKind::ToggleBox, 0.6f);
    click(toggle);
    EXPECT_EQ(toggle.value, 0.0f);
    click(toggle);
    EXPECT_EQ(toggle.value, 1.0f);
}

TEST_F(Pointer, PressOnAKnobOrLabelChangesNothingAndIsResubmittedLater) {
    PanelControl& knob = core.panel.paramControls[kAuto];
    const StateBlock before = core.state();
    EXPECT_FALSE(send(MouseEvent::LeftDown, knob.left + 5, knob.top + 5));
    send(MouseEvent::LeftUp, knob.left + 5, knob.top + 5);
    EXPECT_FALSE(send(MouseEvent::LeftDown, core.panel.paramLabels[3].left + 5, core.panel.paramLabels[3].top + 5));
    EXPECT_EQ(std::memcmp(&before, &core.state(), sizeof before), 0);
    clearDirty(knob);
    // The label press left the knob; the next press re-submits the label,
    // whose zero-filled binding is Mode: its records get marked.
    clearDirty(core.panel.paramControls[kMode]);
    send(MouseEvent::LeftDown, 542, 300);  // empty space
    EXPECT_TRUE(isDirty(core.panel.paramControls[kMode]));
    EXPECT_EQ(pointer.focusControl, nullptr);
}

// The effect as a format's panel sees it, noting the edit gestures.
class GestureRecorder : public PanelHost {
public:
    explicit GestureRecorder(orvVst& effect) : effect_(effect) {}
    PanelModel& panel() override { return effect_.panel(); }
    bool isReady() const override { return true; }
    void applyControlValue(PanelControl& record, float x) override { effect_.applyControlValue(record, x); }
    void buildControls() override {}
    void readSnapshot(ParameterSnapshot& snapshot) override { effect_.readSnapshot(snapshot); }
    void editGesture(int paramIndex, bool started) override { gestures.emplace_back(paramIndex, started); }
    std::vector<std::pair<int, bool>> gestures;

private:
    orvVst& effect_;
};

TEST_F(Pointer, EditGesturesSpanAPressOnAValueControlAndItsRelease) {
    GestureRecorder host(effect);
    const auto press = [&](MouseEvent e, const PanelControl& c) {
        handleMouse(host, pointer, &field, e, c.left + 5, c.top + 5, false);
    };
    const PanelControl& knob = core.panel.paramControls[kOutput];
    press(MouseEvent::LeftDown, knob);
    handleMouse(host, pointer, &field, MouseEvent::Move, knob.left + 25, knob.top + 5, false);
    press(MouseEvent::LeftUp, knob);
    press(MouseEvent::LeftDown, core.panel.paramControls[kMode]);
    press(MouseEvent::LeftUp, core.panel.paramControls[kMode]);
    press(MouseEvent::LeftDown, core.panel.paramLabels[3]);  // a label edits nothing
    press(MouseEvent::LeftUp, core.panel.paramLabels[3]);
    const std::vector<std::pair<int, bool>> expected = {
        {kOutput, true}, {kOutput, false}, {kMode, true}, {kMode, false}};
    EXPECT_EQ(host.gestures, expected);
    // A press whose release never came is ended by the next press.
    host.gestures.clear();
    press(MouseEvent::LeftDown, knob);
    press(MouseEvent::LeftDown, core.panel.paramControls[kMode]);
    press(MouseEvent::LeftUp, core.panel.paramControls[kMode]);
    EXPECT_EQ(host.gestures, expected);
}

TEST_F(Pointer, FaderFollowsThePointerWithoutShift) {
    PanelControl& fader = own(ControlKind::Fader, 0.0f);
    fader.height = 156;  // 100 pixels of travel
    send(MouseEvent::LeftDown, 610, 410);
    send(MouseEvent::Move, 610, 400 + 28 + 50, true);
    EXPECT_FLOAT_EQ(fader.value, 0.5f);
    send(MouseEvent::Move, 610, 400 + 28 + 75, false);
    EXPECT_FLOAT_EQ(fader.value, 0.75f);
    send(MouseEvent::LeftUp, 610, 500);
}

TEST_F(Pointer, TextBoxEditIsCommittedByTheNextPress) {
    char buffer[16] = "start";
    PanelControl& box = own(ControlKind::TextBox, 0.0f);
    box.text = buffer;
    box.textCapacity = sizeof buffer;
    send(MouseEvent::LeftDown, 610, 410);
    send(MouseEvent::LeftUp, 610, 410);
    EXPECT_EQ(field.text, "start");
    EXPECT_EQ(field.lastLeft, 600);
    field.text = "a longer text than fits";
    const int before = core.panel.changeCounter.load();
    send(MouseEvent::LeftDown, 542, 300);
    EXPECT_STREQ(buffer, "a longer text t");
    EXPECT_EQ(field.lastLeft, 544);  // moved out of sight
    EXPECT_EQ(core.panel.changeCounter.load(), before + 1);
}

TEST_F(Pointer, MotionAndReleaseWithoutADragAreHandled) {
    EXPECT_TRUE(send(MouseEvent::Move, 5, 5));
    EXPECT_TRUE(send(MouseEvent::LeftUp, 5, 5));
    EXPECT_TRUE(send(MouseEvent::Drop, 92, 52));
}

TEST_F(Pointer, DropChangesNothing) {
    const StateBlock before = core.state();
    send(MouseEvent::Drop, 92, 52);
    EXPECT_EQ(std::memcmp(&before, &core.state(), sizeof before), 0);
}

TEST_F(Pointer, HitTestIncludesEveryEdge) {
    PanelControl* list = core.panel.controlList.load();
    const PanelControl& out = core.panel.paramControls[kOutput];
    EXPECT_EQ(hitTest(list, 1.0f, out.left, out.top), &out);
    EXPECT_EQ(hitTest(list, 1.0f, out.left + 56, out.top + 56), &out);
    EXPECT_EQ(hitTest(list, 1.0f, 62, 50), nullptr);  // between two knobs
}

}  // namespace
}  // namespace orv
