// main() for test programs that use the virtual meter in-process: they must run under the
// umockdev preload, so they put themselves there first.
#include "vmeter/preload.h"
#include "vmeter/sanitizer_defaults.h"

#include <gtest/gtest.h>

PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS

int main(int argc, char** argv)
{
    pelzo::vmeter::EnsurePreloaded(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
