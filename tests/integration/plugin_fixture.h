// The built plug-in, loaded by our own host the way real hosts load it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin_library.h"

namespace integration {

// Path of the plug-in under test, from the command line.
const std::string& pluginPath();


// A freshly created instance of the plug-in, closed at the end of the test.
class PluginInstance {
public:
    explicit PluginInstance(const vsthost::PluginLibrary& library);
    ~PluginInstance();
    AEffect* operator->() const { return effect_; }
    AEffect* get() const { return effect_; }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) const {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;
    // Closes now; answers what the entry answered.
    VstIntPtr close();

private:
    AEffect* effect_;
};

class PluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static vsthost::PluginLibrary* library;
};

}  // namespace integration
