#include "editor/panel_control.h"

namespace orv {
namespace {

std::int32_t scaled(std::int32_t v, float scale) {
    return static_cast<std::int32_t>(static_cast<float>(v) * scale);
}

std::int32_t atLeastOne(std::int32_t v) { return v == 0 ? 1 : v; }

}  // namespace

ScaledBounds PanelControl::scaledBounds(float scale) const {
    ScaledBounds b{};
    b.left = scaled(left, scale);
    b.top = scaled(top, scale);
    b.width = atLeastOne(scaled(width, scale));
    b.height = atLeastOne(scaled(height, scale));
    b.fontSize = static_cast<std::int8_t>(atLeastOne(scaled(fontSize, scale)));
    return b;
}

}  // namespace orv
