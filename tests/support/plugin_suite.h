// The built plug-in under test, loaded once per test suite by our own host
// the way real hosts load it, for the integration tests and the validation
// suite.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin_instance.h"
#include "plugin_library.h"

namespace support {

using vsthost::PluginInstance;

// Path of the plug-in under test (the test program's first argument).
const std::string& pluginPath();
// Takes the plug-in's path from the command line after gtest's options;
// false (with a usage line) when it is missing.
bool takePluginPath(int argc, char** argv, const char* usageNote = "");

class PluginSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static vsthost::PluginLibrary* library;
};

}  // namespace support
