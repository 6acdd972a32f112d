#include "application.h"

#include "closesignals.h"
#include "errors.h"
#include "form.h"
#include "sound.h"
#include "window.h"
#include "x11.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace rt {

namespace {

bool startingUp = false;
QtMessageHandler previousHandler = nullptr;

void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // While the application connects to the display, Qt's own chatter about
    // platform plugins is replaced by one line of ours; a fatal failure there
    // exits cleanly instead of aborting with a core dump.
    if (startingUp && type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        printMessage(std::string("cannot open the display") + (display ? std::string(" \"") + display + "\"" : ""));
        std::_Exit(1);
    }
    if (startingUp && context.category && QByteArray(context.category).startsWith("qt.qpa")) return;
    if (previousHandler) previousHandler(type, context, message);
}

// Returns false, having said why, when no display can be had.
bool chooseDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!platform.isEmpty()) return true;
    // A Wayland client may neither place itself nor stay on top; through
    // XWayland it can.
    if (x11) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    if (wayland) return true;
    printMessage("cannot open a display: DISPLAY is not set");
    return false;
}

}  // namespace

int run(int argc, char** argv, const Program& program) {
    setMessagePrefix(program.messagePrefix);
    if (!chooseDisplay()) return 1;
    // Where the face goes through Qt's backing store (a screen that does not
    // keep pixels as the face does), Qt waits through shared memory for the
    // X server to finish reading the last picture before it paints the next,
    // a round trip and a thread switch every tick; the few pixels a tick
    // changes cost less sent down the connection. Where the face goes
    // straight to its window, either way costs the same.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    previousHandler = qInstallMessageHandler(startupMessages);
    CloseSignals::hold();
    startingUp = true;
    QApplication app(argc, argv);
    startingUp = false;
    app.setApplicationName(QString::fromUtf8(program.name));
    app.setQuitOnLastWindowClosed(false);
    CloseSignals closeSignals;
    // With fewer colours Qt draws nothing at all, and says so for ever.
    if (QScreen* screen = app.primaryScreen(); screen && screen->depth() < 15) {
        const char* display = std::getenv("DISPLAY");
        printMessage(std::string("cannot draw on the display \"") + (display ? display : "") + "\": it has " +
                     std::to_string(screen->depth()) + "-bit colour, 15 or more are needed");
        return 1;
    }
    // Another program destroyed the window: the form goes as if closed, and
    // with it, for the clock, the program.
    const DestroyedWindows destroyedWindows([](QWidget* window) {
        if (FormWindowHost* form = formWindowHost(window)) form->destroyedFromOutside();
    });

    setProgramRunning(true);
    raiseEvent("Main", program.Main);
    if (Forms().empty()) return 0;
    const int status = app.exec();
    setProgramRunning(false);
    resetFormInstances();
    if (!endSound()) {
        // The sound thread is stuck inside Qt's sound system: tearing that
        // down under it would crash the exit.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

}  // namespace rt
