// Unit tests run the real forms under Qt's offscreen platform, with the time
// of day, the random generator and the sound output under the tests' control.
#include "fakes.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Every test starts with no form created and the real services restored.
class ResetForms : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override {
        rt::resetFormInstances();
        // Unloading the last form asks the application to quit, and until its
        // main loop has run again every modal dialog's loop returns at once.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        rt::setSystemClock(nullptr);
        rt::setSoundOutput(nullptr);
        rt::setFatalErrorHandler(nullptr);
        rt::setPopupChooser(nullptr);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetForms);
    return RUN_ALL_TESTS();
}
