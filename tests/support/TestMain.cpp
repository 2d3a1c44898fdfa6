#include "platform/ExceptionRouting.h"

#include <gtest/gtest.h>

// Every test program runs inside the station's own application object, so widget
// tests and exception routing behave as in the program.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::StationApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
