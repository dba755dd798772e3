// The widget tests that talk to the virtual meter: the process puts itself under the umockdev
// preload first, then runs like the other widget tests.
#include "tests/support/privatedesk.h"
#include "app/ui/application.h"
#include "vmeter/preload.h"
#include "vmeter/sanitizer_defaults.h"

#include <gtest/gtest.h>

PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS

int main(int argc, char** argv)
{
    pelzo::vmeter::EnsurePreloaded(argv);
    const auto desk = pelzo::test::MakePrivateDesk();
    if (!desk) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    pelzo::PelzoApplication app(argc, argv);
    pelzo::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
