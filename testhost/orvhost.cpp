// orvhost: a command-line host for VST 2.4 effects.
//   info PLUGIN                      what a host sees when it loads the plug-in
//   render PLUGIN IN OUT             an audio file through the plug-in
//   bench PLUGIN                     nanoseconds per stereo frame
//   params                           this effect's parameter reference (Markdown)
//   editor PLUGIN OUT.png            a picture of the plug-in's editor
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: orvhost info PLUGIN [--set NAME=VALUE]... [--state FILE]\n"
                 "       orvhost render PLUGIN IN OUT [--set NAME=VALUE]... [--state FILE]\n"
                 "                [--save-state FILE] [--block N] [--midi FRAME:STATUS:DATA1:DATA2]...\n"
#if defined(_WIN32)
                 "                [--rate HZ] [--channels N]   (IN and OUT are raw 32-bit float streams)\n"
#endif
                 "       orvhost editor PLUGIN OUT.png [--set NAME=VALUE]... [--state FILE]\n"
                 "       orvhost bench PLUGIN [--seconds S] [--block N] [--input FILE] [--set NAME=VALUE]...\n"
                 "       orvhost params\n"
                 "       orvhost --version\n");
    return 2;
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "params") return vsthost::runParams();
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("orvhost %d.%d.%d\n", ORV_VERSION_MAJOR, ORV_VERSION_MINOR, ORV_VERSION_PATCH);
        return 0;
    }
    if (argc < 3) return usage();
    const std::string command = argv[1];
    vsthost::CommandOptions options;
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        double number = 0;
        if (a == "--set" && hasValue) {
            options.settings.push_back(argv[++i]);
        } else if (a == "--state" && hasValue) {
            options.statePath = argv[++i];
        } else if (a == "--save-state" && hasValue) {
            options.saveStatePath = argv[++i];
        } else if (a == "--input" && hasValue) {
            options.inputPath = argv[++i];
        } else if (a == "--midi" && hasValue) {
            options.midi.push_back(argv[++i]);
        } else if ((a == "--block" || a == "--seconds" || a == "--rate" || a == "--channels") && hasValue) {
            if (!parseNumber(argv[++i], number)) {
                std::fprintf(stderr, "orvhost: %s needs a number\n", a.c_str());
                return 2;
            }
            if (a == "--block") options.block = static_cast<int>(number);
            if (a == "--seconds") options.seconds = number;
            if (a == "--rate") options.raw.sampleRate = number;
            if (a == "--channels") options.raw.channels = static_cast<int>(number);
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "orvhost: unknown option %s\n", a.c_str());
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (command == "info" && positional.size() == 1) return vsthost::runInfo(positional[0], options);
    if (command == "render" && positional.size() == 3)
        return vsthost::runRender(positional[0], positional[1], positional[2], options);
    if (command == "bench" && positional.size() == 1) return vsthost::runBench(positional[0], options);
    if (command == "editor" && positional.size() == 2)
        return vsthost::runEditorPicture(positional[0], positional[1], options);
    return usage();
}
