#include "orvane.h"
#include "quitsignals.h"

#include "platform/guardian/guardian.h"
#include "platform/inputservices.h"
#include "platform/qt/nativeeventforwarder.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <QToolTip>

namespace {

// Runs the program; everything that touches the desktop is gone when this returns.
int runProgram(int argc, char* argv[])
{
    platform::prepareGuiPlatform();
    QApplication app(argc, argv);
    // Early, so that a signal during start-up waits in the pipe for the event loop instead of killing the program.
    QuitSignals quitSignals;

    QFont toolTipFont = QToolTip::font();
    toolTipFont.setPixelSize(18);
    QToolTip::setFont(toolTipFont);

    platform::setServices(platform::createDefaultServices());
    platform::installNativeEventForwarder();
    qDebug() << "Input backend:" << platform::services().backendName().c_str();

    orvane window;
    window.show();
    if (!platform::services().isAvailable()) {
        // Editing and saving still work; only replaying needs the desktop's input functions.
        QTimer::singleShot(0, &window, [&window] {
            QMessageBox::warning(&window, QStringLiteral("オルヴェイン Free"),
                                 QStringLiteral("このデスクトップでは入力の自動操作を利用できません。\n"
                                                "プロジェクトの作成と保存はできますが、実行はできません。"));
        });
    }

    // A quit signal or the session's end takes the path of a close, minus the question. exit() rather than quit():
    // quit() would close every window first, and the main window's close asks about an unsaved project.
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &window, [&window] {
        window.finishWithoutQuestion();
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.finishWithoutQuestion(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &orvane::finishWithoutQuestion);

    const int code = app.exec();
    platform::setServices(nullptr);
    return code;
}

} // namespace

int main(int argc, char* argv[])
{
    // On Windows this process may be the guardian's watchdog: it then never gets to the program.
    if (const int watchdogCode = platform::guardian::runWatchdogIfAsked(argc, argv); watchdogCode >= 0)
        return watchdogCode;
    // Before any thread and any toolkit state: the watchdog on Linux is a fork of this very moment.
    if (!platform::guardian::start())
        qWarning("The input guardian could not start: keys held at an abnormal end are not released.");
    const int code = runProgram(argc, argv);
    platform::guardian::stop();
    return code;
}
