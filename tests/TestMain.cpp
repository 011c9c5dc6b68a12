#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every test binary gets a QApplication on the offscreen platform, so GUI and network
// tests run without a display and with an event loop available.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The programs the tests start write their run log here, not into the user's own.
    const QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
