// Key capture and coordinate capture. While a key operation or key condition waits for its combination, every key
// the user presses on the desktop is swallowed and the first complete combination is written into the current page.
// "取得" hides the window and shows a hint; Ctrl+Alt+G, a desktop-wide hot key, then stores the pointer position in the
// current page. Where no hot key can be registered (Wayland) the next click on a cover over every screen gives the
// position instead. "テスト" moves the pointer to the stored position.

#include "orvane.h"

#include "editor/clickcapture.h"
#include "editor/entryedits.h"
#include "editor/hoverhidewindow.h"
#include "editor/keycapturesession.h"
#include "keys/virtualkeys.h"
#include "panels/conditionpanel.h"
#include "panels/operationpanel.h"
#include "platform/inputservices.h"
#include "platform/qt/globalhotkey.h"

#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcCapture, "orvane.capture")
} // namespace

void orvane::buildCaptures()
{
    keyCapture = new editor::KeyCaptureSession(this);
    connect(keyCapture, &editor::KeyCaptureSession::captured, this, &orvane::storeCapturedKey);
    constexpr int G = 71;
    constexpr int Escape = 27;
    pointHotKey = new platform::GlobalHotKey(vk::ModAlt | vk::ModControl, G, this);
    connect(pointHotKey, &platform::GlobalHotKey::activated, this, &orvane::getCoordinate2);
    escapeHotKey = new platform::GlobalHotKey(0, Escape, this);
    connect(escapeHotKey, &platform::GlobalHotKey::activated, this, &orvane::cancelCoordinateCapture);
    auto* clicks = new ClickCapture(this);
    connect(clicks, &ClickCapture::picked, this, &orvane::storeCoordinate);
    connect(clicks, &ClickCapture::cancelled, this, &orvane::cancelCoordinateCapture);
}

void orvane::removeKeyCapture()
{
    keyCapture->remove();
}

void orvane::startKeyCapture(bool forCondition, const QStringList& previousEntry)
{
    captureForCondition = forCondition;
    captureFallback = previousEntry;
    if (forCondition)
        currentCondition() = model::defaultConditionEntry(model::kind::KeyCondition);
    else
        currentCommand() = model::defaultCommandEntry(model::kind::Key);
    if (keyCapture->start()) {
        refreshPage();
        return;
    }
    qCWarning(lcCapture) << "Keyboard capture could not be installed:" << keyCapture->error();
    // Without a capture the page could never be completed; it gets back what it held before "追加", and the user can
    // go on editing or try again.
    if (forCondition)
        currentCondition() = previousEntry;
    else
        currentCommand() = previousEntry;
    refreshPage();
    if (forCondition)
        conditionPanel->showTitle(tr("キーフックに失敗"));
    else
        operationPanel->showTitle(tr("キーフックに失敗"));
}

void orvane::storeCapturedKey(const QString& combination)
{
    removeKeyCapture();
    if (captureForCondition)
        currentCondition() = QStringList{model::kind::KeyCondition, combination};
    else
        currentCommand() = QStringList{model::kind::Key, combination, QStringLiteral("0.01")};
    refreshPage();
}

void orvane::getCoordinate()
{
    if (!platform::services().canRegisterHotKey()) {
        findChild<ClickCapture*>()->start();
        hide();
        return;
    }
    // The hot key is registered first: without it the capture could never end, so the user stays in the editor and
    // is told why instead of being left with a hidden window.
    if (!pointHotKey->setRegistered(true)) {
        qCWarning(lcCapture) << "RegisterHotKey failed." << pointHotKey->error();
        QMessageBox::warning(this, tr("座標の取得"),
                             tr("Ctrl+Alt+G が他のプログラムに使われているため、座標を取得できません。"));
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
    if (!escapeHotKey->setRegistered(true))
        qCWarning(lcCapture) << "Escape could not be registered:" << escapeHotKey->error();
    hoverWindow->show();
    hoverWindow->raise();
    hoverWindow->activateWindow();
    hide();
}

void orvane::unregisterGlobalHotkey()
{
    pointHotKey->setRegistered(false);
    escapeHotKey->setRegistered(false);
}

void orvane::getCoordinate2()
{
    int x = 0;
    int y = 0;
    if (!platform::services().getCursorPos(x, y))
        qCWarning(lcCapture) << "Pointer position unavailable; storing 0, 0";
    storeCoordinate(x, y);
}

void orvane::storeCoordinate(int x, int y)
{
    operationPanel->showPointerPosition(x, y);

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
