// The settings tests run under a private desk.
#include "tests/support/privatedesk.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const auto desk = pelzo::test::MakePrivateDesk();
    if (!desk) return 1;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
