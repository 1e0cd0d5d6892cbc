// The emulated-kernel tests run under umockdev's preload library, which fakes sysfs, /dev and uevents for this
// process and the processes it starts; the program starts itself again under it when needed.

#include "umockdev/EmulatedKernel.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    kavrel::test::runUnderUmockdev(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
