#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "validation.h"

namespace validation {
namespace {
std::uint32_t suiteSeed = 0;
}  // namespace

std::uint32_t seed() { return suiteSeed; }

std::mt19937 generator() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::seed_seq sequence(name.begin(), name.end());
    std::vector<std::uint32_t> mixed(1);
    sequence.generate(mixed.begin(), mixed.end());
    return std::mt19937(suiteSeed ^ mixed[0]);
}

}  // namespace validation

constexpr std::uint32_t kDefaultSeed = 20261208;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!support::takePluginPath(argc, argv, "   (ORV_SEED=N repeats a run)")) return 2;
    const char* given = std::getenv("ORV_SEED");
    validation::suiteSeed = given ? static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10))
                                  : kDefaultSeed;
    std::printf("validation suite: plug-in %s, seed %u (ORV_SEED=%u repeats this run)\n",
                support::pluginPath().c_str(), validation::suiteSeed, validation::suiteSeed);
    const int result = RUN_ALL_TESTS();
    const auto* unit = ::testing::UnitTest::GetInstance();
    std::printf("validation suite: seed %u: %d passed, %d failed\n", validation::suiteSeed,
                unit->successful_test_count(), unit->failed_test_count());
    return result;
}
