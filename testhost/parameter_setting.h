// Parameter settings given on the command line as NAME=VALUE: NAME is the
// host name (or its first eight characters, as hosts see it) or the index;
// VALUE a normalised value within 0..1 or a display text such as "M/S" or
// "+6".
#pragma once

#include <string>

#include "host/vst_interface.h"

namespace vsthost {

struct SettingResult {
    bool ok = false;
    std::string error;  // one line, when not ok
};

// Finds the parameter and the normalised value and sets it.
SettingResult applySetting(AEffect* effect, const std::string& setting);

}  // namespace vsthost
