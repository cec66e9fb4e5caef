#include "hoverhidewindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
Q_LOGGING_CATEGORY(lcHoverHide, "orvane.hoverhide", QtWarningMsg)

QRect availableAreaAt(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
} // namespace

HoverHideWindow::HoverHideWindow(int hideDistance, int screenMargin, QWidget* parent)
    : QWidget(parent), hideDistance_(hideDistance), screenMargin_(screenMargin)
{
    setObjectName(QStringLiteral("hoverWindow"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    resize(320, 100);

    auto* label = new QLabel(tr("マウスポインターの座標を取得中\nCtrl+Alt+Gを押してください。"), this);
    label->setObjectName(QStringLiteral("hintLabel"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("font-size:24px;"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(label);

    cursorTimer_ = new QTimer(this);
    connect(cursorTimer_, &QTimer::timeout, this, &HoverHideWindow::checkCursor);
    cursorTimer_->start(100);

    move(cornerPosition());
}

HoverHideWindow::~HoverHideWindow() = default;

QPoint HoverHideWindow::cornerPosition() const
{
    const QRect a = availableAreaAt(QCursor::pos());
    return {a.right() - width() - screenMargin_, a.bottom() - height() - screenMargin_};
}

QRect HoverHideWindow::keepOnScreen(const QRect& r) const
{
    if (r.isNull())
        return r;
    const QRect a = availableAreaAt(r.center());
    const int m = screenMargin_;
    int x = r.left();
    int y = r.top();
    if (x + r.width() + m > a.right())
        x = a.right() - r.width() - m;
    if (x < a.left() + m)
        x = a.left() + m;
    if (y + r.height() + m > a.bottom())
        y = a.bottom() - r.height() - m;
    if (y < a.top() + m)
        y = a.top() + m;
    return {x, y, r.width(), r.height()};
}

void HoverHideWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (lastGeometry_.isNull())
        move(cornerPosition());
    else
        move(keepOnScreen(lastGeometry_).topLeft());
}

void HoverHideWindow::checkCursor()
{
    const QPoint p = QCursor::pos();
    const int d = hideDistance_;
    if (isVisible()) {
        const QRect f = frameGeometry();
        if (f.adjusted(-d, -d, d, d).contains(p)) {
            lastGeometry_ = f;
            hiddenByCursor_ = true;
            hide();
            qCDebug(lcHoverHide) << "hidden (cursor near)";
        }
        return;
    }
    if (!hiddenByCursor_ || lastGeometry_.adjusted(-d, -d, d, d).contains(p))
        return;
    move(keepOnScreen(lastGeometry_).topLeft());
    show();
    hiddenByCursor_ = false;
    qCDebug(lcHoverHide) << "shown (cursor moved away from last position)";
}
