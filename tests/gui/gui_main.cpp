// The widget tests run under the offscreen platform with a private home and runtime folder, so
// nothing of the user's desktop settings leaks in.
#include "tests/gui/privatehome.h"
#include "app/ui/application.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    pelzo::test::UsePrivateDesktopHome(home);
    ::testing::InitGoogleTest(&argc, argv);
    pelzo::PelzoApplication app(argc, argv);
    pelzo::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
