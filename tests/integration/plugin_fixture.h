// The built plug-in, loaded by our own host the way real hosts load it.
#pragma once

#include "plugin_suite.h"
#include "stereo.h"

namespace integration {

using support::pluginPath;
using support::PluginInstance;
using PluginTest = support::PluginSuite;

}  // namespace integration
