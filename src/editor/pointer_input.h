// Mouse input on the panel: the hit test, and what a press, a motion and a
// release do to the record under the pointer, by kind.
#pragma once

#include <cstdint>

#include "editor/panel_control.h"
#include "editor/panel_host.h"

namespace orv {

enum class MouseEvent { LeftDown, RightDown, Move, LeftUp, RightUp, Drop, Other };

// The editor's text field for a TextBox; the platform supplies it.
class EditField {
public:
    virtual ~EditField() = default;
    virtual void setText(const char* text) = 0;
    // Copies the field's text into buffer (capacity bytes, NUL-terminated).
    virtual void getText(char* buffer, std::uint32_t capacity) = 0;
    virtual void move(int left, int top, int width, int height) = 0;
};

// The first record whose scaled rectangle holds (x, y), edges included.
PanelControl* hitTest(PanelControl* list, float scale, int x, int y);

// Handles one message at (x, y) in window pixels; fine is true while Shift
// is held. Answers whether the message was handled.
bool handleMouse(PanelHost& host, PointerState& pointer, EditField* edit, MouseEvent event, int x,
                 int y, bool fine);

}  // namespace orv
