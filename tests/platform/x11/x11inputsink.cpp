// A window in a process of its own that the X11 backend tests type and click into. It takes the focus, says "READY"
// on stdout, answers every line on stdin with "TEXT <hex of the UTF-8 text>" (text mode) and ends with its stdin.
// In events mode it reports every mouse button as "PRESS <Qt button> <global x> <global y>" and "RELEASE ...".
// In busy mode it only keeps its event loop and painting busy (another program on the desktop that reloads its keymap
// slowly); it does not take the focus.
// Usage: x11inputsink text|events|busy <x> <y> <width> <height>

#include <QApplication>
#include <QElapsedTimer>
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

class EventWindow final : public QWidget {
protected:
    void mousePressEvent(QMouseEvent* e) override { report("PRESS", e); }
    void mouseReleaseEvent(QMouseEvent* e) override { report("RELEASE", e); }

private:
    static void report(const char* what, QMouseEvent* e)
    {
        const QPoint global = e->globalPosition().toPoint();
        say(QByteArray(what) + ' ' + QByteArray::number(static_cast<int>(e->button())) + ' ' +
            QByteArray::number(global.x()) + ' ' + QByteArray::number(global.y()));
    }
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
    if (textMode) {
        edit = new QPlainTextEdit;
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

    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&] {
        char buffer[256]; // the asker waits for each answer: one line at a time
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
        else if (edit)
            say("TEXT " + edit->toPlainText().toUtf8().toHex());
    });
    return app.exec();
}
