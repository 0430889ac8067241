// The format tests' hosts: one per plug-in format.
#pragma once

#include "format_plugin.h"

namespace formats {

#if !defined(_WIN32)
std::unique_ptr<FormatPlugin> openLv2(const std::string& bundleDirectory);
#endif
std::unique_ptr<FormatPlugin> openClap(const std::string& path);
std::unique_ptr<FormatPlugin> openVst3(const std::string& bundleLibrary);

}  // namespace formats
