#pragma once

// Pieces shared by the end-to-end tests on a private X server: a client connection of its own that plays the user's
// keyboard and mouse through XTest and looks at the server's key and button state; the input sink comes from the
// X11 backend tests.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QThread>

#include "x11sink.h"

// Xlib's macros (Bool, None, Status, ...) clash with Qt's headers: include this header after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace e2e {

using x11test::Sink;

// An X connection separate from everything the program under test uses.
class XTestClient {
public:
    XTestClient() : display_(XOpenDisplay(nullptr)) {}
    ~XTestClient()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    XTestClient(const XTestClient&) = delete;
    XTestClient& operator=(const XTestClient&) = delete;

    bool isOpen() const { return display_ != nullptr; }
    Display* display() const { return display_; }

    // Presses or releases the first key that carries the named key symbol ("Control_L", "s", "Return").
    bool key(const QString& symName, bool down)
    {
        const KeySym sym = XStringToKeysym(symName.toLatin1().constData());
        const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
        if (code == 0)
            return false;
        XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
        XSync(display_, False);
        return true;
    }

    // Runs "+Control_L +s -s -Control_L": '+' presses, '-' releases, pausing pauseMs after each step so that the
    // polling of the program sees every state. Returns false on an unknown key name.
    bool play(const QString& steps, int pauseMs)
    {
        const QStringList parts = steps.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            if (part.size() < 2 || (part.at(0) != QLatin1Char('+') && part.at(0) != QLatin1Char('-')))
                return false;
            if (!key(part.mid(1), part.at(0) == QLatin1Char('+')))
                return false;
            QThread::msleep(static_cast<unsigned long>(pauseMs));
        }
        return true;
    }

    // Keycodes that the server counts as down right now.
    QList<int> keysDown()
    {
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        QList<int> down;
        for (int kc = 0; kc < 256; ++kc) {
            if (keys[kc / 8] & (1 << (kc % 8)))
                down.append(kc);
        }
        return down;
    }

    // Whether the first key that carries the named key symbol is down.
    bool isKeyDown(const QString& symName)
    {
        const KeySym sym = XStringToKeysym(symName.toLatin1().constData());
        const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
        return code != 0 && keysDown().contains(code);
    }

    // The pointer's button mask (Button1Mask ... Button5Mask bits) and position on the root window.
    unsigned buttonsDown()
    {
        int x = 0, y = 0;
        return pointer(x, y) & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
    }
    unsigned pointer(int& x, int& y)
    {
        Window root = 0, child = 0;
        int winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &winX, &winY, &mask);
        return mask;
    }
    void movePointer(int x, int y)
    {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

private:
    Display* display_ = nullptr;
};

} // namespace e2e
