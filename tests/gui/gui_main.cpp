// The widget tests run under the offscreen platform with a private home and runtime folder, so
// nothing of the user's desktop settings leaks in.
#include "tests/support/privatedesk.h"
#include "app/ui/application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const auto desk = pelzo::test::MakePrivateDesk();
    if (!desk) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    pelzo::PelzoApplication app(argc, argv);
    pelzo::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
