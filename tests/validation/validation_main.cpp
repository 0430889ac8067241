#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "validation.h"

namespace validation {
namespace {
std::string path;
std::uint32_t suiteSeed = 0;
}  // namespace

const std::string& pluginPath() { return path; }
std::uint32_t seed() { return suiteSeed; }

std::mt19937 generator() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::seed_seq sequence(name.begin(), name.end());
    std::vector<std::uint32_t> mixed(1);
    sequence.generate(mixed.begin(), mixed.end());
    return std::mt19937(suiteSeed ^ mixed[0]);
}

vsthost::PluginLibrary* Suite::library = nullptr;

void Suite::SetUpTestSuite() {
    library = new vsthost::PluginLibrary(path);
    ASSERT_TRUE(library->loaded()) << library->error();
}

void Suite::TearDownTestSuite() {
    delete library;
    library = nullptr;
}

Instance::Instance(const vsthost::PluginLibrary& library) : e_(library.instantiate(vsthost::hostCallback)) {}
Instance::~Instance() { close(); }

VstIntPtr Instance::close() {
    if (!e_) return 0;
    const VstIntPtr answer = call(effClose);
    e_ = nullptr;
    return answer;
}

std::vector<unsigned char> Instance::chunk() const {
    void* data = nullptr;
    const VstIntPtr size = call(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

bool Stereo::finite() const {
    for (std::size_t i = 0; i < l.size(); ++i)
        if (!std::isfinite(l[i]) || !std::isfinite(r[i])) return false;
    return true;
}

float Stereo::peak() const {
    float p = 0;
    for (std::size_t i = 0; i < l.size(); ++i) p = std::max({p, std::fabs(l[i]), std::fabs(r[i])});
    return p;
}

void fillTestSignal(Stereo& s, std::mt19937& random, std::size_t offset) {
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (std::size_t i = 0; i < s.l.size(); ++i) {
        const float t = static_cast<float>(i + offset);
        s.l[i] = 0.45f * std::sin(0.0571f * t) + noise(random);
        s.r[i] = 0.45f * std::sin(0.0313f * t + 1.0f) + noise(random);
    }
}

}  // namespace validation

constexpr std::uint32_t kDefaultSeed = 20261208;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PLUGIN [gtest options]   (ORV_SEED=N repeats a run)\n", argv[0]);
        return 2;
    }
    validation::path = vsthost::platformPath(argv[1]);
    const char* given = std::getenv("ORV_SEED");
    validation::suiteSeed = given ? static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10))
                                  : kDefaultSeed;
    std::printf("validation suite: plug-in %s, seed %u (ORV_SEED=%u repeats this run)\n",
                validation::path.c_str(), validation::suiteSeed, validation::suiteSeed);
    const int result = RUN_ALL_TESTS();
    const auto* unit = ::testing::UnitTest::GetInstance();
    std::printf("validation suite: seed %u: %d passed, %d failed\n", validation::suiteSeed,
                unit->successful_test_count(), unit->failed_test_count());
    return result;
}
