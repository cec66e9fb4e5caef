#include "stopwindow.h"

#include "runicons.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

StopWindow::StopWindow(const QString& text, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("stopWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The main window is hidden during a run; this window going away must not count as the last window closing.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(text);
    setToolTip(text);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("StopWindow { border: 1px solid #1f5fbf; }"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 10, 6);
    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setPixmap(runicons::trayIcon().pixmap(24, 24));
    textLabel = new QLabel(text, this);
    textLabel->setObjectName(QStringLiteral("textLabel"));
    QFont font = textLabel->font();
    font.setPointSize(12);
    textLabel->setFont(font);
    layout->addWidget(iconLabel);
    layout->addWidget(textLabel);
    adjustSize();
}

void StopWindow::placeInCorner()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    move(area.right() - size.width() - 16, area.bottom() - size.height() - 16);
}

void StopWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}
