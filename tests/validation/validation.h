// The validation suite: what real VST 2.4 hosts do to a plug-in, done to the
// built library through our own host. Random choices come from one seed,
// printed at the start and given back with ORV_SEED to repeat a run.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "plugin_suite.h"
#include "stereo.h"

namespace validation {

using support::pluginPath;
using support::fillTestSignal;
using support::Stereo;
using Instance = support::PluginInstance;
using Suite = support::PluginSuite;

std::uint32_t seed();
// A generator for one test: the suite's seed mixed with the test's name.
std::mt19937 generator();

}  // namespace validation
