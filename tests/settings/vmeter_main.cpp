// The settings dialog against the virtual meter: the program puts itself under the umockdev
// preload first, then makes its private desk.
#include "tests/support/privatedesk.h"
#include "vmeter/preload.h"
#if __has_include("vmeter/sanitizer_defaults.h")
#include "vmeter/sanitizer_defaults.h"
PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS
#endif

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    pelzo::vmeter::EnsurePreloaded(argv);
    const auto desk = pelzo::test::MakePrivateDesk();
    if (!desk) return 1;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
