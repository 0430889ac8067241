#include "plugin_fixture.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!support::takePluginPath(argc, argv)) return 2;
    return RUN_ALL_TESTS();
}
