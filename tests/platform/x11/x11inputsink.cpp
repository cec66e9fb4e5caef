// A window in a process of its own that the X11 backend tests type and click into. It takes the focus, says "READY"
// on stdout, and answers commands on stdin:
//   dump   -> "TEXT <hex of the UTF-8 text>" (text mode)
//   clear  -> empties the text box, then "CLEARED"
//   quit   -> ends the process
// In events mode it reports every key and mouse button as "KEYDOWN <native keycode> <hex text>", "KEYUP ...",
// "PRESS <Qt button> <global x> <global y>", "RELEASE ..."; in text mode it reports the mouse buttons pressed in the
// text box the same way, so that a test can tell where a click landed.
// In busy mode it only keeps its event loop and painting busy (another program on the desktop that reloads its keymap
// slowly); it does not take the focus.
// Usage: x11inputsink text|events|busy <x> <y> <width> <height>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void reportButton(const char* what, const QMouseEvent* e)
{
    const QPoint global = e->globalPosition().toPoint();
    say(QByteArray(what) + ' ' + QByteArray::number(static_cast<int>(e->button())) + ' ' +
        QByteArray::number(global.x()) + ' ' + QByteArray::number(global.y()));
}

// Watches the text box's viewport, which receives its mouse events, without taking them away from it.
class ButtonReporter final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            reportButton("PRESS", static_cast<QMouseEvent*>(event));
        else if (event->type() == QEvent::MouseButtonRelease)
            reportButton("RELEASE", static_cast<QMouseEvent*>(event));
        return QObject::eventFilter(watched, event);
    }
};

class EventWindow final : public QWidget {
protected:
    void keyPressEvent(QKeyEvent* e) override { report("KEYDOWN", e); }
    void keyReleaseEvent(QKeyEvent* e) override { report("KEYUP", e); }
    void mousePressEvent(QMouseEvent* e) override { report("PRESS", e); }
    void mouseReleaseEvent(QMouseEvent* e) override { report("RELEASE", e); }

private:
    static void report(const char* what, QKeyEvent* e)
    {
        say(QByteArray(what) + ' ' + QByteArray::number(e->nativeScanCode()) + ' ' + e->text().toUtf8().toHex());
    }
    static void report(const char* what, QMouseEvent* e) { reportButton(what, e); }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    const bool textMode = args.at(1) == QLatin1String("text");
    QPlainTextEdit* edit = nullptr;
    QWidget* window = nullptr;
    ButtonReporter buttonReporter;
    if (textMode) {
        edit = new QPlainTextEdit;
        edit->viewport()->installEventFilter(&buttonReporter);
        window = edit;
    } else {
        window = new EventWindow;
        window->setFocusPolicy(Qt::StrongFocus);
    }
    window->setGeometry(args.at(2).toInt(), args.at(3).toInt(), args.at(4).toInt(), args.at(5).toInt());
    QTimer busy;
    const bool busyMode = args.at(1) == QLatin1String("busy");
    if (busyMode) {
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        QObject::connect(&busy, &QTimer::timeout, [window] {
            QElapsedTimer spin;
            spin.start();
            while (spin.nsecsElapsed() < 4'000'000) {
            }
            window->update();
        });
        busy.start(1);
    }
    window->show();
    if (!busyMode) {
        window->activateWindow();
        window->setFocus();
    }

    QTimer readiness;
    bool ready = false;
    QObject::connect(&readiness, &QTimer::timeout, [&] {
        if (ready)
            return;
        if (busyMode || window->isActiveWindow()) {
            ready = true;
            say("READY");
        } else {
            window->activateWindow(); // without a window manager, this sets the X input focus
        }
    });
    readiness.start(20);

    QByteArray input;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        input.append(buffer, static_cast<int>(n));
        int newline = 0;
        while ((newline = input.indexOf('\n')) >= 0) {
            const QByteArray command = input.left(newline).trimmed();
            input.remove(0, newline + 1);
            if (command == "dump" && edit) {
                say("TEXT " + edit->toPlainText().toUtf8().toHex());
            } else if (command == "clear" && edit) {
                edit->clear();
                say("CLEARED");
            } else if (command == "quit") {
                app.quit();
            }
        }
    });
    return app.exec();
}
