// What the painter draws, recorded: knob geometry, fader scale, toggles,
// labels, and which records full and partial repaints draw.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/painter.h"
#include "editor/pointer_input.h"
#include "host/orv_vst.h"
#include "recording_canvas.h"

namespace orv {
namespace {

class Painting : public ::testing::Test {
protected:
    orvVst effect{nullptr};
    EffectCore& core = effect.core();
    ParameterSnapshot snapshot{};

    RecordingCanvas paintOnce() {
        RecordingCanvas canvas;
        effect.readSnapshot(snapshot);
        Painter(core.panel, snapshot, canvas, nullptr).paint();
        return canvas;
    }
    // Draws one record on its own.
    RecordingCanvas draw(PanelControl& c) {
        RecordingCanvas canvas;
        effect.readSnapshot(snapshot);
        Painter(core.panel, snapshot, canvas, nullptr).drawControl(c);
        return canvas;
    }
    static PanelControl record(ControlKind kind, int width, int height, float value) {
        PanelControl c{};
        c.kind = static_cast<std::int8_t>(kind);
        c.left = 10;
        c.top = 20;
        c.width = width;
        c.height = height;
        c.fontSize = 16;
        c.faceColor = 0x5555FF;
        c.textColor = 0x080855;
        c.paramIndex = -1;
        c.value = value;
        return c;
    }
};

TEST_F(Painting, KnobAtZeroHasNoValueArc) {
    PanelControl knob = record(ControlKind::Knob, 56, 56, 0.0f);
    const RecordingCanvas canvas = draw(knob);
    int wideArcs = 0;
    for (std::size_t i = 0; i < canvas.named("arc").size(); ++i)
        if (canvas.penWidthAt("arc", i) == 6) ++wideArcs;
    EXPECT_EQ(wideArcs, 1);  // the grey ring alone
    EXPECT_EQ(canvas.penAt("arc", 0), 0x555555u);
}

TEST_F(Painting, KnobAtOneEndsFortyFiveDegreesBelowTheRight) {
    PanelControl knob = record(ControlKind::Knob, 56, 56, 1.0f);
    const RecordingCanvas canvas = draw(knob);
    const auto arcs = canvas.named("arc");
    ASSERT_GE(arcs.size(), 2u);
    const CanvasOp& value = arcs[1];
    EXPECT_EQ(canvas.penAt("arc", 1), 0x080855u);
    const float cx = 10 + 28, cy = 20 + 28, w = 56;
    EXPECT_EQ(value.args[4], static_cast<int>(cx + w * std::cos(static_cast<float>(-45.0 * 0.017453292519943295))));
    EXPECT_EQ(value.args[5], static_cast<int>(cy - w * std::sin(static_cast<float>(-45.0 * 0.017453292519943295))));
    EXPECT_EQ(value.args[6], static_cast<int>(cx - w * 0.7071068f));
    EXPECT_EQ(value.args[7], static_cast<int>(cy + w * 0.7071067f));
}

TEST_F(Painting, RingAndPointerWidthFollowTheKnobSize) {
    for (const auto& [width, pen] : {std::pair{56, 6}, std::pair{33, 3}, std::pair{20, 3}}) {
        PanelControl knob = record(ControlKind::Knob, width, width, 0.5f);
        const RecordingCanvas canvas = draw(knob);
        EXPECT_EQ(canvas.penWidthAt("arc", 0), pen) << width;
        EXPECT_EQ(canvas.penWidthAt("line", 0), pen) << width;
        EXPECT_EQ(canvas.penAt("line", 0), scaleColour(0x5555FF, 1.3f));
    }
}

TEST_F(Painting, BoundKnobShowsTheDisplayText) {
    effect.buildControls();
    const RecordingCanvas canvas = draw(core.panel.paramControls[kOutput]);
    ASSERT_EQ(canvas.texts(), std::vector<std::string>{"100"});
}

TEST_F(Painting, FaderScaleNumbers) {
    PanelControl low = record(ControlKind::Fader, 30, 200, 1.0f / 8.9f - 0.001f);
    EXPECT_TRUE(draw(low).texts().empty());
    PanelControl full = record(ControlKind::Fader, 30, 200, 1.0f);
    const auto texts = draw(full).texts();
    EXPECT_EQ(texts, (std::vector<std::string>{"8", "7", "6", "5", "4", "3", "2", "1"}));
}

TEST_F(Painting, ToggleBoxOnSwapsItsColours) {
    PanelControl on = record(ControlKind::ToggleBox, 40, 20, 0.6f);
    const RecordingCanvas canvas = draw(on);
    EXPECT_EQ(canvas.texts(), std::vector<std::string>{"ON"});
    EXPECT_EQ(canvas.named("brush")[0].colour, scaleColour(0x080855, 1.1f));
    EXPECT_EQ(canvas.named("textColour")[0].colour, 0x5555FFu);
    PanelControl off = record(ControlKind::ToggleBox, 40, 20, 0.0f);
    EXPECT_EQ(draw(off).texts(), std::vector<std::string>{"OFF"});
}

TEST_F(Painting, LabelsShowTextOrTheirParametersDisplay) {
    PanelControl unbound = record(ControlKind::Label, 56, 20, 0.0f);
    unbound.paramIndex = 0;
    EXPECT_TRUE(draw(unbound).texts().empty());
    unbound.paramIndex = kBit;
    EXPECT_EQ(draw(unbound).texts(), std::vector<std::string>{"12"});
    unbound.text = "Gain";
    EXPECT_EQ(draw(unbound).texts(), std::vector<std::string>{"Gain"});
}

TEST_F(Painting, TextIsCentred) {
    PanelControl label = record(ControlKind::Label, 56, 20, 0.0f);
    label.text = "Mode";
    const auto text = draw(label).named("text");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].args[0], 10 + (56 - 24) / 2);
    EXPECT_EQ(text[0].args[1], 20 + (20 - 12) / 2);
}

TEST_F(Painting, ScaleColourCapsEachChannel) {
    EXPECT_EQ(scaleColour(0x5555FF, 1.3f), 0x6E6EFFu);
    EXPECT_EQ(scaleColour(0x808080, 0.8f), 0x666666u);
}

TEST_F(Painting, FirstTwoPaintsAfterOpeningAreFull) {
    effect.buildControls();
    core.panel.changeCounter.store(2);
    const RecordingCanvas first = paintOnce();
    EXPECT_EQ(first.named("rect")[0].args, (std::vector<int>{0, 0, 544, 356}));
    EXPECT_EQ(core.panel.changeCounter.load(), 1);
    // A full repaint leaves the marks: every record is still dirty.
    for (PanelControl* c = core.panel.controlList.load(); c; c = c->next) EXPECT_TRUE(isDirty(*c));
    paintOnce();
    EXPECT_EQ(core.panel.changeCounter.load(), 0);
    // The third paint is partial and draws the records still marked, once.
    const RecordingCanvas third = paintOnce();
    EXPECT_FALSE(third.texts().empty());
    for (PanelControl* c = core.panel.controlList.load(); c; c = c->next) EXPECT_FALSE(isDirty(*c));
    const RecordingCanvas fourth = paintOnce();
    EXPECT_TRUE(fourth.named("rect").empty());
    EXPECT_EQ(fourth.createdObjects, 3);  // the paint's own pen, brush and font
}

TEST_F(Painting, EveryCreatedObjectIsDeleted) {
    effect.buildControls();
    core.panel.changeCounter.store(1);
    const RecordingCanvas full = paintOnce();
    EXPECT_GT(full.createdObjects, 100);
    EXPECT_EQ(full.createdObjects, full.deletedObjects);
    const RecordingCanvas partial = paintOnce();
    EXPECT_EQ(partial.createdObjects, partial.deletedObjects);
}

TEST_F(Painting, KnobDragRepaintsOnlyItsParametersRecords) {
    effect.buildControls();
    paintOnce();  // partial: draws and clears every mark
    PointerState pointer;
    const PanelControl& knob = core.panel.paramControls[kOutput];
    handleMouse(effect, pointer, nullptr, MouseEvent::LeftDown, knob.left + 28, knob.top + 28, false);
    handleMouse(effect, pointer, nullptr, MouseEvent::Move, knob.left + 48, knob.top + 28, false);
    handleMouse(effect, pointer, nullptr, MouseEvent::LeftUp, knob.left + 48, knob.top + 28, false);
    const RecordingCanvas canvas = paintOnce();
    const auto rects = canvas.named("rect");
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].args, (std::vector<int>{64, 24, 120, 80}));  // the erase of the knob
    EXPECT_EQ(canvas.named("ellipse").size(), 1u);                  // one knob body
    EXPECT_EQ(canvas.texts().size(), 1u);
}

TEST_F(Painting, HiddenRecordsAreNotDrawnAndKeepTheirMark) {
    effect.buildControls();
    paintOnce();
    core.panel.paramControls[kBit].kind = -7;
    effect.setParameter(kBit, 0.1f);
    const RecordingCanvas canvas = paintOnce();
    EXPECT_TRUE(canvas.named("ellipse").empty());
    EXPECT_TRUE(isDirty(core.panel.paramControls[kBit]));
}

}  // namespace
}  // namespace orv
