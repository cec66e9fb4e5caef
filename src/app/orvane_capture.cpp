// Key capture and coordinate capture. While a key operation or key condition waits for its combination, every key
// the user presses on the desktop is swallowed and the first complete combination is written into the current page.
// "取得" hides the window and shows a hint; Ctrl+Alt+G, a desktop-wide hot key, then stores the pointer position in the
// current page. "テスト" moves the pointer to the stored position.

#include "orvane.h"

#include "editor/entryedits.h"
#include "editor/hoverhidewindow.h"
#include "platform/inputservices.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcCapture, "orvane.capture")

constexpr int HotKeyModifiers = vk::ModAlt | vk::ModControl;
constexpr int HotKeyVk = 71; // G
constexpr int EscapeVk = 27;
} // namespace

void orvane::removeKeyCapture()
{
    if (keyPollTimer)
        keyPollTimer->stop();
    keyCapture.remove();
}

void orvane::startKeyCapture(bool forCondition, const QStringList& previousEntry)
{
    captureForCondition = forCondition;
    captureFallback = previousEntry;
    if (forCondition)
        currentCondition() = model::defaultConditionEntry(model::kind::KeyCondition);
    else
        currentCommand() = model::defaultCommandEntry(model::kind::Key);
    if (keyCapture.start()) {
        refreshPage();
        keyPollTimer->start(50);
        return;
    }
    qCWarning(lcCapture) << "Keyboard capture could not be installed:" << keyCapture.error();
    // Without a capture the page could never be completed; it gets back what it held before "追加", and the user can
    // go on editing or try again.
    if (forCondition)
        currentCondition() = previousEntry;
    else
        currentCommand() = previousEntry;
    refreshPage();
    (forCondition ? conditionLabel : commandLabel)->setText(QStringLiteral("キーフックに失敗"));
}

void orvane::pollKeystroke()
{
    const QString combination = keyCapture.result();
    if (combination.isEmpty())
        return;
    removeKeyCapture();
    if (captureForCondition)
        currentCondition() = QStringList{model::kind::KeyCondition, combination};
    else
        currentCommand() = QStringList{model::kind::Key, combination, QStringLiteral("0.01")};
    refreshPage();
}

orvane::GlobalHotkeyFilter::GlobalHotkeyFilter(int filterId) : id(filterId) {}

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
    // Escape gives up the capture; it is taken from the desktop only while the window is hidden for the capture. A
    // desktop that refuses it still leaves the hint's close button and Ctrl+Alt+G.
    if (!platform::services().registerHotKey(hotkeyId + 1, 0, EscapeVk, [guard = QPointer<orvane>(this)](int) {
            if (guard)
                QMetaObject::invokeMethod(guard, "cancelCoordinateCapture", Qt::QueuedConnection);
        }))
        qCWarning(lcCapture) << "Escape could not be registered:" << platform::services().lastError().c_str();
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
    qCWarning(lcCapture) << "RegisterHotKey failed." << platform::services().lastError().c_str();
    delete hotkeyFilter;
    hotkeyFilter = nullptr;
    hotkeyRegistered = false;
}

void orvane::unregisterGlobalHotkey()
{
    if (hotkeyRegistered) {
        platform::services().unregisterHotKey(hotkeyId);
        platform::services().unregisterHotKey(hotkeyId + 1);
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
        qCWarning(lcCapture) << "Pointer position unavailable; storing 0, 0";
    pointerXSpin->setValue(x);
    pointerYSpin->setValue(y);

    editor::storeCapturedPosition(currentCommand(), x, y);
    unregisterGlobalHotkey();
    show();
    if (hoverWindow)
        hoverWindow->close();
    refreshPage();
}

void orvane::moveMousePointer()
{
    hide();
    const int x = model::coordinateX(currentCommand()).toInt(nullptr, 10);
    const int y = model::coordinateY(currentCommand()).toInt(nullptr, 10);
    QTimer::singleShot(1000, this, [this, x, y] {
        platform::services().setCursorPos(x, y);
        QTimer::singleShot(1000, this, [this] { show(); });
    });
}
