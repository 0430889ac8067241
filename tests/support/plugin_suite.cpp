#include "plugin_suite.h"

#include <cstdio>

namespace support {
namespace {
std::string path;
}

const std::string& pluginPath() { return path; }

bool takePluginPath(int argc, char** argv, const char* usageNote) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PLUGIN [gtest options]%s\n", argv[0], usageNote);
        return false;
    }
    path = vsthost::platformPath(argv[1]);
    return true;
}

vsthost::PluginLibrary* PluginSuite::library = nullptr;

void PluginSuite::SetUpTestSuite() {
    library = new vsthost::PluginLibrary(path);
    ASSERT_TRUE(library->loaded()) << library->error();
}

void PluginSuite::TearDownTestSuite() {
    delete library;
    library = nullptr;
}

}  // namespace support
