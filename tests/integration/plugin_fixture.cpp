#include "plugin_fixture.h"

#include <cstring>

namespace integration {

namespace {
std::string path;
}

const std::string& pluginPath() { return path; }

vsthost::PluginLibrary* PluginTest::library = nullptr;

void PluginTest::SetUpTestSuite() {
    library = new vsthost::PluginLibrary(path);
    ASSERT_TRUE(library->loaded()) << library->error();
}

void PluginTest::TearDownTestSuite() {
    delete library;
    library = nullptr;
}

PluginInstance::PluginInstance(const vsthost::PluginLibrary& library)
    : effect_(library.instantiate(vsthost::hostCallback)) {}

PluginInstance::~PluginInstance() { close(); }

VstIntPtr PluginInstance::close() {
    if (!effect_) return 0;
    const VstIntPtr answer = call(effClose);
    effect_ = nullptr;
    return answer;
}

std::string PluginInstance::text(VstInt32 opcode, VstInt32 index) const {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    call(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

}  // namespace integration

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PLUGIN [gtest options]\n", argv[0]);
        return 2;
    }
    integration::path = vsthost::platformPath(argv[1]);
    return RUN_ALL_TESTS();
}
