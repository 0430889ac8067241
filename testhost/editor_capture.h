// The editor of a plug-in, opened in a window of our own and captured after
// it has painted: one implementation per window system.
#pragma once

#include <cstdint>
#include <vector>

#include "host/vst_interface.h"

namespace vsthost {

// The editor's pixels as 0x00BBGGRR colours, row by row from the top (empty
// when it could not be opened or captured); width and height are set.
std::vector<std::uint32_t> captureEditor(AEffect* effect, int editorWidth, int editorHeight, int& width,
                                         int& height);

}  // namespace vsthost
