#include "headlessrecord.h"
#include "headlessrun.h"
#include "orvane.h"
#include "quitsignals.h"

#include "bundle/translations.h"
#include "cli/commandline.h"
#include "model/projectfile.h"
#include "settings/config.h"

#include "platform/guardian/guardian.h"
#include "platform/inputservices.h"
#include "platform/qt/nativeeventforwarder.h"
#include "platform/workingset.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QFont>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <QToolTip>

#include <optional>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcStart, "orvane.start", QtWarningMsg)

// Before the first synthetic input and after the first window, which does not need them: the watchdog confirmed, and
// what an abnormally ended instance left held or bound taken back.
void settleDesktop()
{
    static bool settled = false;
    if (std::exchange(settled, true))
        return;
    if (!platform::guardian::confirmStarted())
        qCWarning(lcStart, "The input guardian could not start: keys held at an abnormal end are not released.");
    platform::services().settle();
}

// A dialog that the window's construction shows (the first-run greeting, the recovery copy's question) is answered
// with the keyboard and pointer that a killed instance may have left held: the desktop settles before it.
class SettleBeforeDialogs final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched))
            settleDesktop();
        return false;
    }
};

// Start-up's one-off code (Qt's set-up, styles, fonts, building the window) is let go of once the window has been
// painted and the program waits for the user; what painting and the menus need comes back on their next use.
class TrimAfterFirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, [] {
                QElapsedTimer took;
                took.start();
                const platform::WorkingSetTrim trim = platform::trimWorkingSet();
                qCDebug(lcStart, "Working set trimmed (%d): %zu bytes advised in %lld us", trim.done, trim.advisedBytes,
                        static_cast<long long>(took.nsecsElapsed() / 1000));
            });
        }
        return false;
    }
};

// Runs the program; everything that touches the desktop is gone when this returns.
int runProgram(int argc, char* argv[], const cli::Request& request, const model::ProjectData& runProject, bool japanese)
{
    platform::prepareGuiPlatform();
    QApplication app(argc, argv);
    bundle::installTranslations(japanese);
    // A quit signal takes the path of a close, minus the question: an unsaved project is kept as the recovery copy.
    // exit() rather than quit(): quit() would close every window first, and the main window's close asks about an
    // unsaved project. Installed first, because the window's construction may already wait for the user (the
    // first-run greeting, the recovery copy's question).
    QuitSignals quitSignals;
    orvane* built = nullptr;
    bool quitWhenBuilt = false;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &app, [&built, &quitWhenBuilt] {
        if (!built) {
            quitWhenBuilt = true;
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
            return;
        }
        built->finishWithoutQuestion();
        QCoreApplication::exit(0);
    });

    QFont toolTipFont = QToolTip::font();
    toolTipFont.setPixelSize(18);
    QToolTip::setFont(toolTipFont);

    platform::setServices(platform::createDefaultServices(platform::Settle::Later));
    platform::installNativeEventForwarder();
    qCDebug(lcStart) << "Input backend:" << platform::services().backendName().c_str();

    if (request.mode == cli::Request::Mode::Run) {
        settleDesktop();
        const int code = runWithoutEditor(request, runProject, quitSignals);
        platform::setServices(nullptr);
        return code;
    }
    if (request.mode == cli::Request::Mode::Record) {
        settleDesktop();
        const int code = recordWithoutEditor(request, quitSignals);
        platform::setServices(nullptr);
        return code;
    }

    SettleBeforeDialogs settleBeforeDialogs;
    app.installEventFilter(&settleBeforeDialogs);
    orvane window;
    built = &window;
    if (quitWhenBuilt) {
        settleDesktop();
        window.finishWithoutQuestion();
        platform::setServices(nullptr);
        return 0;
    }
    TrimAfterFirstPaint trimAfterFirstPaint;
    window.installEventFilter(&trimAfterFirstPaint);
    window.show();
    settleDesktop(); // the event loop has not run: nothing can synthesise input before it
    app.removeEventFilter(&settleBeforeDialogs);
    // A project file handed over by the desktop's menu entry, a file manager or a script.
    if (!request.file.isEmpty())
        QTimer::singleShot(0, &window, [&window, path = request.file] { window.openProjectAtStart(path); });
    if (!platform::services().isAvailable()) {
        // Editing and saving still work; only replaying needs the desktop's input functions.
        QTimer::singleShot(0, &window, [&window] {
            QMessageBox::warning(
                &window, QCoreApplication::translate("orvane", "オルヴェイン Free"),
                QCoreApplication::translate("orvane", "このデスクトップでは入力の自動操作を利用できません。\n"
                                                      "プロジェクトの作成と保存はできますが、実行はできません。"));
        });
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager& manager) {
        const bool mayAsk = manager.allowsInteraction();
        if (!window.endSession(mayAsk))
            manager.cancel();
        if (mayAsk)
            manager.release();
    });
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
    // The command line speaks the language of the editor, chosen in the configuration, whose folder is named after the
    // program: that takes an application object. One of Qt Core alone, gone before the watchdog's fork below, which
    // must inherit no toolkit state; the toolkit's own comes after it.
    std::optional<QCoreApplication> core(std::in_place, argc, argv);
    settings::Config config;
    settings::loadConfig(config);
    const bool japanese = settings::japaneseInterface(config.language);
    bundle::installTranslations(japanese);
    // --help, --version, --check and bad arguments neither need the desktop nor create a window.
    const cli::Request request = cli::parseCommandLine(cli::argumentsOf(argc, argv));
    model::ProjectData runProject; // read once, for a run
    if (const std::optional<int> exitCode = cli::runConsoleMode(request, &runProject))
        return *exitCode;
    // The toolkit would abort without a display; the user and a script get a reason and an exit code instead.
    if (!platform::displayReachable())
        return cli::reportNoDisplay(request);
    core.reset();
    // Before any thread and any toolkit state: the watchdog on Linux is a fork of this very moment. That it has a
    // session of its own is confirmed once the first window is up.
    platform::guardian::start(true);
    const int code = runProgram(argc, argv, request, runProject, japanese);
    platform::guardian::stop();
    return code;
}
