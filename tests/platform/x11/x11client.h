#pragma once

// What the real-X11 tests see of the desktop besides the program under test: the input sink (x11inputsink, a window
// in a process of its own, answering on a pipe) and a client connection of their own that plays the user's keyboard
// and mouse through XTest and reads the server's key, button and keymap state.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QThread>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <set>
#include <vector>

// Xlib's macros (Bool, None, Status, ...) clash with Qt's headers: include this header after every Qt header.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace x11test {

#ifdef ORVANE_X11_SINK
// The input sink: "READY" once it has the focus, then "TEXT <hex>" for each line asked, or PRESS/RELEASE lines.
class Sink {
public:
    Sink(const QString& mode, QRect geometry)
    {
        process_.setProgram(QStringLiteral(ORVANE_X11_SINK));
        process_.setArguments({mode, QString::number(geometry.x()), QString::number(geometry.y()),
                               QString::number(geometry.width()), QString::number(geometry.height())});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ~Sink()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }

    bool waitReady() { return !waitLine("READY", 10000).isNull(); }

    // The next line that starts with prefix (consumed with the lines of that prefix before it; other lines stay);
    // a null array on timeout.
    QByteArray waitLine(const QByteArray& prefix, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            while (process_.canReadLine())
                lines_.append(process_.readLine().trimmed());
            for (int i = 0; i < lines_.size(); ++i) {
                if (lines_.at(i).startsWith(prefix))
                    return lines_.takeAt(i);
            }
            if (timer.elapsed() > timeoutMs || process_.state() == QProcess::NotRunning)
                return {};
            process_.waitForReadyRead(20);
            QCoreApplication::processEvents();
        }
    }

    QString text()
    {
        process_.write("\n");
        const QByteArray line = waitLine("TEXT", 5000);
        return line.isNull() ? QStringLiteral("<no answer>") : QString::fromUtf8(QByteArray::fromHex(line.mid(5)));
    }

private:
    QProcess process_;
    QList<QByteArray> lines_;
};
#endif

using Keysyms = std::vector<KeySym>;

// An X connection separate from everything the program under test uses.
class Client {
public:
    Client() : display_(XOpenDisplay(nullptr))
    {
        if (display_)
            XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
    }
    ~Client()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    Display* display() const { return display_; }
    int keycodeOf(KeySym sym) const { return XKeysymToKeycode(display_, sym); }

    void key(KeySym sym, bool down) { keycode(keycodeOf(sym), down); }
    void keycode(int kc, bool down)
    {
        XTestFakeKeyEvent(display_, static_cast<unsigned>(kc), down ? True : False, CurrentTime);
        XSync(display_, False);
    }
    // Presses the keys in order and releases them in reverse, pausing pauseMs after each step.
    void chord(std::initializer_list<KeySym> syms, int pauseMs = 0)
    {
        for (KeySym sym : syms) {
            key(sym, true);
            QThread::msleep(static_cast<unsigned long>(pauseMs));
        }
        for (auto it = std::rbegin(syms); it != std::rend(syms); ++it) {
            key(*it, false);
            QThread::msleep(static_cast<unsigned long>(pauseMs));
        }
    }
    void button(int b, bool down)
    {
        XTestFakeButtonEvent(display_, static_cast<unsigned>(b), down ? True : False, CurrentTime);
        XSync(display_, False);
    }

    // Keycodes that the server counts as down right now.
    std::set<int> keysDown()
    {
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        std::set<int> down;
        for (int kc = 8; kc < 256; ++kc) {
            if (keys[kc / 8] & (1 << (kc % 8)))
                down.insert(kc);
        }
        return down;
    }
    // Whether a key carrying sym (on any level, read fresh from the server) is down.
    bool symDown(KeySym sym)
    {
        const std::set<int> down = keysDown();
        return std::any_of(down.begin(), down.end(), [&](int kc) { return keycodeCarries(kc, sym); });
    }

    // The pointer's button mask (Button1Mask ... Button5Mask bits) and position on the root window.
    unsigned pointer(int& x, int& y)
    {
        Window root = 0, child = 0;
        int winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &winX, &winY, &mask);
        return mask;
    }
    unsigned buttonsDown()
    {
        int x = 0, y = 0;
        return pointer(x, y) & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
    }
    void movePointer(int x, int y)
    {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

    // The whole core keyboard map, keysyms per keycode without the trailing empty ones, as the server reports them.
    std::vector<Keysyms> mapping()
    {
        int perKeycode = 0;
        KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode_), maxKeycode_ - minKeycode_ + 1,
                                           &perKeycode);
        std::vector<Keysyms> result(256);
        for (int kc = minKeycode_; syms && kc <= maxKeycode_; ++kc) {
            result[kc].assign(syms + (kc - minKeycode_) * perKeycode, syms + (kc - minKeycode_ + 1) * perKeycode);
            while (!result[kc].empty() && result[kc].back() == NoSymbol)
                result[kc].pop_back();
        }
        XFree(syms);
        return result;
    }
    bool keycodeCarries(int kc, KeySym sym)
    {
        const Keysyms syms = mapping()[kc];
        return std::find(syms.begin(), syms.end(), sym) != syms.end();
    }
    // Which components (key types above all) each keycode has set explicitly, which the core mapping does not show.
    std::vector<unsigned char> explicitTypes()
    {
        XkbDescPtr desc = XkbGetMap(display_, XkbExplicitComponentsMask, XkbUseCoreKbd);
        std::vector<unsigned char> result(desc->server->c_explicit, desc->server->c_explicit + desc->max_key_code + 1);
        XkbFreeKeyboard(desc, 0, True);
        return result;
    }
    // Keycodes without any key symbol: where a program puts characters the map lacks.
    std::set<int> unusedKeycodes()
    {
        const std::vector<Keysyms> map = mapping();
        std::set<int> result;
        for (int kc = minKeycode_; kc <= maxKeycode_; ++kc) {
            if (map[kc].empty())
                result.insert(kc);
        }
        return result;
    }
    // Puts syms on kc as another program would (an empty list: nothing on it).
    void bind(int kc, Keysyms syms)
    {
        syms.resize(std::max<std::size_t>(syms.size(), 1), NoSymbol);
        XChangeKeyboardMapping(display_, kc, static_cast<int>(syms.size()), syms.data(), 1);
        XSync(display_, False);
    }

    void setLocked(unsigned mask, bool on)
    {
        XkbLockModifiers(display_, XkbUseCoreKbd, mask, on ? mask : 0);
        XSync(display_, False);
    }
    bool locked(unsigned mask)
    {
        XkbStateRec state{};
        XkbGetState(display_, XkbUseCoreKbd, &state);
        return (state.locked_mods & mask) == mask;
    }

private:
    Display* display_ = nullptr;
    int minKeycode_ = 8, maxKeycode_ = 255;
};

} // namespace x11test
