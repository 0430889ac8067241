// orvhost's commands.
#pragma once

#include <string>
#include <vector>

#include "audio_file.h"

namespace vsthost {

struct CommandOptions {
    std::vector<std::string> settings;   // --set NAME=VALUE
    std::string statePath;               // --state FILE
    std::string saveStatePath;           // --save-state FILE
    std::vector<std::string> midi;       // --midi FRAME:STATUS:DATA1:DATA2
    int block = 512;                     // --block N
    double seconds = 5;                  // --seconds S (bench)
    std::string inputPath;               // --input FILE (bench): the programme to time
    RawFormat raw;                       // --rate, --channels (raw streams)
};

int runInfo(const std::string& plugin, const CommandOptions& options);
int runRender(const std::string& plugin, const std::string& in, const std::string& out,
              const CommandOptions& options);
int runBench(const std::string& plugin, const CommandOptions& options);
// The parameter reference, as a Markdown table.
int runParams();
int runEditorPicture(const std::string& plugin, const std::string& out,
                     const CommandOptions& options);

}  // namespace vsthost
