// The format tests' hosts: one per plug-in format.
#pragma once

#include "format_plugin.h"

namespace formats {

std::unique_ptr<FormatPlugin> openLv2(const std::string& bundleDirectory);
std::unique_ptr<FormatPlugin> openClap(const std::string& path);
std::unique_ptr<FormatPlugin> openVst3(const std::string& bundleLibrary);

}  // namespace formats
