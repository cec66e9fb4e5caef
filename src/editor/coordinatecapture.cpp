// Coordinate capture: "取得" hides the window and shows a hint; Ctrl+Alt+G, a desktop-wide hot key, then stores the
// pointer position in the current page. "テスト" moves the pointer to the stored position.

#include "app/orvane.h"
#include "editor/hoverhidewindow.h"
#include "platform/inputservices.h"

#include <QDebug>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimer>

namespace {
constexpr int HotKeyModifiers = platform::ModAlt | platform::ModControl;
constexpr int HotKeyVk = 71; // G
} // namespace

orvane::GlobalHotkeyFilter::GlobalHotkeyFilter(int id_) : id(id_) {}

bool orvane::GlobalHotkeyFilter::deliver(int firedId) const
{
    if (firedId != id)
        return false;
    if (callback)
        callback();
    return true;
}

void orvane::getCoordinate()
{
    // The hot key is registered first: without it the capture could never end, so the user stays in the editor and
    // is told why instead of being left with a hidden window.
    registerGlobalHotkey();
    if (!hotkeyRegistered) {
        QMessageBox::warning(this, QStringLiteral("座標の取得"),
                             QStringLiteral("Ctrl+Alt+G が他のプログラムに使われているため、座標を取得できません。"));
        return;
    }
    if (!hoverWindow) {
        auto* window = new HoverHideWindow(120, 20, nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose);
        connect(window, &QObject::destroyed, this, [this, window] {
            if (hoverWindow == window)
                hoverWindow = nullptr;
            unregisterGlobalHotkey();
            // Closed without a capture (for instance with Alt+F4): the user must get the editor back.
            if (!isVisible())
                show();
        });
        hoverWindow = window;
    }
    hoverWindow->show();
    hoverWindow->raise();
    hoverWindow->activateWindow();
    hide();
}

void orvane::registerGlobalHotkey()
{
    if (hotkeyRegistered)
        return;
    if (!hotkeyFilter) {
        hotkeyFilter = new GlobalHotkeyFilter(hotkeyId);
        // Queued: getCoordinate2 deletes the filter, which must not happen inside its own delivery.
        hotkeyFilter->callback = [this] { QMetaObject::invokeMethod(this, "getCoordinate2", Qt::QueuedConnection); };
    }
    GlobalHotkeyFilter* filter = hotkeyFilter;
    const bool ok = platform::services().registerHotKey(hotkeyId, HotKeyModifiers, HotKeyVk,
                                                        [filter](int id) { filter->deliver(id); });
    if (ok) {
        hotkeyRegistered = true;
        return;
    }
    qWarning() << "RegisterHotKey failed." << platform::services().lastError().c_str();
    delete hotkeyFilter;
    hotkeyFilter = nullptr;
    hotkeyRegistered = false;
}

void orvane::unregisterGlobalHotkey()
{
    if (hotkeyRegistered) {
        platform::services().unregisterHotKey(hotkeyId);
        hotkeyRegistered = false;
    }
    if (hotkeyFilter) {
        delete hotkeyFilter;
        hotkeyFilter = nullptr;
    }
}

void orvane::getCoordinate2()
{
    int x = 0;
    int y = 0;
    if (!platform::services().getCursorPos(x, y))
        qWarning() << "Pointer position unavailable; storing 0, 0";
    pointerXSpin->setValue(x);
    pointerYSpin->setValue(y);

    QStringList& entry = list_command[currentPage - 1];
    if (!entry.isEmpty() && entry.at(0) == model::kind::Pointer) {
        entry = QStringList{model::kind::Pointer, QString::number(x), QString::number(y)};
    } else {
        while (entry.size() < 3)
            entry.append(QString());
        entry[1] = QString::number(x);
        entry[2] = QString::number(y);
    }
    unregisterGlobalHotkey();
    show();
    if (hoverWindow)
        hoverWindow->close();
    refreshPage();
}

void orvane::moveMousePointer()
{
    hide();
    const QStringList& entry = list_command.at(currentPage - 1);
    const int x = entry.size() > 1 ? entry.at(1).toInt(nullptr, 10) : 0;
    const int y = entry.size() > 2 ? entry.at(2).toInt(nullptr, 10) : 0;
    QTimer::singleShot(1000, this, [this, x, y] {
        platform::services().setCursorPos(x, y);
        QTimer::singleShot(1000, this, [this] { show(); });
    });
}
