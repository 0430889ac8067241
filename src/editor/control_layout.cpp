// The editor panel's 64 records: captions, one control per parameter and a
// label under each, built once on the editor's first opening. Positions are
// computed from the group corners; the tables hold only texts and colours.
#include <algorithm>
#include <iterator>

#include "editor/control_layout.h"

namespace orv {
namespace {

constexpr std::uint32_t kFrameColor = 0x555555;
constexpr std::uint32_t kBackgroundColor = 0x888888;

struct Scheme {
    std::uint32_t face;
    std::uint32_t text;
};
constexpr Scheme kRed{0x5555FF, 0x080855};
constexpr Scheme kBlue{0xFF5555, 0x550808};
constexpr Scheme kTeal{0xAAAA55, 0x084408};
constexpr Scheme kGrey{0xBBBBBB, 0x333333};

constexpr int kLeft = 4;            // corner of the "Output" caption
constexpr int kTop = 2;
constexpr int kPitch = 60;          // from one control's left edge to the next
constexpr int kControlSize = 56;
constexpr int kSelectorHeight = 52;
constexpr int kCaptionHeight = 20;
constexpr int kCaptionGap = 22;     // from a caption's top to what stands below it
constexpr int kLabelBelowKnob = 58;
constexpr int kTopLabelTop = 82;
constexpr int kRowCaptionTop = 104;
constexpr int kRowHeight = 126;
constexpr int kCaptionFont = 16;
constexpr int kSwitchFont = 22;
constexpr int kKnobTravel = 200;    // pixels of drag for the whole range

// Selector state values: state i gives value i of its parameter.
const float kModeStates[4] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
const float kIntStates[2] = {0.0f, 0.6f};
const float kLinkBypassStates[2] = {0.0f, 0.6f};

const char* const kRowCaptions[2] = {"Mid(L)", "Side(R)"};

// Colours of parameters 0 to 5: Mode selector, four knobs, the Int switch.
const Scheme kTopBand[6] = {kTeal, kRed, kBlue, kBlue, kTeal, kRed};
// Colours of the per-channel knobs, by slot.
const Scheme kChannelKnobs[kChannelParamCount] = {kRed,  kBlue, kTeal, kRed, kTeal,
                                                  kBlue, kRed,  kTeal, kRed};

struct Group {
    const char* caption;
    int firstKnob;
    int knobs;
};
const Group kChannelGroups[4] = {
    {"Input", 0, 2}, {"Low shelf", 2, 2}, {"Peaking", 4, 3}, {"High shelf", 7, 2}};

int groupWidth(int knobs) { return kPitch * knobs - (kPitch - kControlSize); }

void place(PanelControl& c, ControlKind kind, int left, int top, int width, int height,
           Scheme scheme, int fontSize) {
    c.kind = static_cast<std::int8_t>(kind);
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.faceColor = scheme.face;
    c.textColor = scheme.text;
    c.fontSize = static_cast<std::int8_t>(fontSize);
}

// Appends a record at the tail of the control list, refreshes the cached
// value of its parameter and marks it dirty.
void addControl(PanelModel& panel, PanelControl& record, const StateBlock& s) {
    record.next = nullptr;
    PanelControl* head = panel.controlList.load(std::memory_order_relaxed);
    if (!head) {
        panel.controlList.store(&record, std::memory_order_release);
    } else {
        PanelControl* tail = head;
        while (tail->next) tail = tail->next;
        tail->next = &record;
    }
    if (record.paramIndex >= 0 && record.paramIndex < kNumParams) {
        char scratch[kDisplayTextSize];
        panel.storeCachedValue(record.paramIndex, readBack(s, record.paramIndex, scratch, sizeof scratch));
    }
    markDirty(record);
}

}  // namespace

void buildPanel(PanelModel& panel, const StateBlock& s) {
    for (auto* records : {&panel.paramControls, &panel.paramLabels})
        std::fill(std::begin(*records), std::end(*records), PanelControl{});
    std::fill(std::begin(panel.captions), std::end(panel.captions), PanelControl{});
    panel.frameColor = kFrameColor;
    panel.backgroundColor = kBackgroundColor;
    int nextCaption = 0;
    const auto caption = [&](const char* text, int left, int top, int width) {
        PanelControl& c = panel.captions[nextCaption++];
        place(c, ControlKind::Label, left, top, width, kCaptionHeight, kGrey, kCaptionFont);
        c.paramIndex = -1;
        c.count = 1;
        c.text = text;
        addControl(panel, c, s);
    };
    // The label keeps the zero-filled binding of its array (parameter 0).
    const auto label = [&](int index, int top) {
        PanelControl& c = panel.paramLabels[index];
        place(c, ControlKind::Label, panel.paramControls[index].left, top, kControlSize, kCaptionHeight,
              kGrey, kCaptionFont);
        c.text = kParamTable[index].panelLabel;
        addControl(panel, c, s);
    };
    const auto knob = [&](int index, int left, int top, Scheme scheme) {
        PanelControl& c = panel.paramControls[index];
        place(c, ControlKind::Knob, left, top, kControlSize, kControlSize, scheme, kCaptionFont);
        c.paramIndex = index;
        c.count = kKnobTravel;
        addControl(panel, c, s);
    };
    const auto selector = [&](int index, int left, int top, Scheme scheme, int font,
                              const float* states, int count, const char* text) {
        PanelControl& c = panel.paramControls[index];
        place(c, ControlKind::Selector, left, top, kControlSize, kSelectorHeight, scheme, font);
        c.paramIndex = index;
        c.count = count;
        c.stateValues = states;
        c.text = text;
        addControl(panel, c, s);
    };
    const int controlTop = kTop + kCaptionGap;

    caption("Output", kLeft, kTop, groupWidth(6));
    for (int k = 0; k <= kInt; ++k) {
        const int left = kLeft + kPitch * k;
        if (k == kMode)
            selector(kMode, left, controlTop + 2, kTopBand[k], kCaptionFont, kModeStates, 4,
                     modeName(s.mode));
        else if (k == kInt)
            selector(kInt, left, controlTop, kTopBand[k], kSwitchFont, kIntStates, 2,
                     switchName(s.interpolate));
        else
            knob(k, left, controlTop, kTopBand[k]);
        label(k, kTopLabelTop);
    }

    for (int r = 0; r < kChannelCount; ++r) {
        const int dy = kRowHeight * r;
        const int rowTop = kTop + kRowCaptionTop + dy;
        const int groupTop = rowTop + kCaptionGap;
        const int knobTop = groupTop + kCaptionGap;
        caption(kRowCaptions[r], kLeft, rowTop, groupWidth(kChannelParamCount));
        for (const Group& g : kChannelGroups) {
            caption(g.caption, kLeft + kPitch * g.firstKnob, groupTop, groupWidth(g.knobs));
            for (int k = g.firstKnob; k < g.firstKnob + g.knobs; ++k) {
                const int index = channelParamIndex(r, k);
                knob(index, kLeft + kPitch * k, knobTop, kChannelKnobs[k]);
                label(index, knobTop + kLabelBelowKnob);
            }
        }
    }

    const int optionLeft = kLeft + kPitch * 6;
    caption("Option", optionLeft, kTop, groupWidth(2));
    selector(kLink, optionLeft, controlTop, kTeal, kSwitchFont, kLinkBypassStates, 2,
             switchName(s.link));
    label(kLink, kTopLabelTop);
    selector(kBypass, optionLeft + kPitch, controlTop, kBlue, kSwitchFont, kLinkBypassStates, 2,
             switchName(s.bypass));
    label(kBypass, kTopLabelTop);
}

}  // namespace orv
