// The format tests' hosts: one per plug-in format.
#pragma once

#include <functional>
#include <map>

#include "format_plugin.h"

namespace formats {

// The VST 2.4 library the formats are held against, and an opener for each
// format under test, by name; from the command line.
extern std::string vst2Path;
extern std::map<std::string, std::function<std::unique_ptr<FormatPlugin>()>> openers;
// Their names, in order.
std::vector<std::string> formatNames();

#if !defined(_WIN32)
std::unique_ptr<FormatPlugin> openLv2(const std::string& bundleDirectory);
#endif
std::unique_ptr<FormatPlugin> openClap(const std::string& path);
std::unique_ptr<FormatPlugin> openVst3(const std::string& bundleLibrary);

}  // namespace formats
