#include "clickcapture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <functional>

namespace {

// A full-screen cover: dim enough to be seen, never fully transparent, since some desktops let clicks through where a
// window draws nothing.
class CoverWindow final : public QWidget {
public:
    using Done = std::function<void(bool cancel, const QPoint& at)>;

    CoverWindow(QScreen* screen, Done done)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), done_(std::move(done))
    {
        setObjectName(QStringLiteral("clickCaptureWindow"));
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        setCursor(Qt::CrossCursor);
        auto* hint =
            new QLabel(QCoreApplication::translate(
                           "editor", "座標を取得したい位置をクリックしてください（Esc または右クリックでキャンセル）"),
                       this);
        hint->setStyleSheet(QStringLiteral("color: white; background: rgba(0, 0, 0, 160); padding: 8px;"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(hint, 0, Qt::AlignCenter);
        setScreen(screen);
        setGeometry(screen->geometry());
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(0, 0, 0, 60)); }
    void mousePressEvent(QMouseEvent* event) override
    {
        // The screen's origin plus the place on it: a compositor need not tell a client where its window lies.
        done_(event->button() != Qt::LeftButton, screen()->geometry().topLeft() + event->position().toPoint());
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            done_(true, {});
    }
    // Closed by the desktop (Alt+F4): the user must get the editor back.
    void closeEvent(QCloseEvent* event) override
    {
        done_(true, {});
        QWidget::closeEvent(event);
    }

private:
    Done done_;
};

} // namespace

ClickCapture::ClickCapture(QObject* parent) : QObject(parent) {}

ClickCapture::~ClickCapture()
{
    stop();
}

void ClickCapture::start()
{
    if (isActive())
        return;
    for (QScreen* screen : QGuiApplication::screens()) {
        auto* cover = new CoverWindow(screen, [this](bool cancel, const QPoint& at) { finish(cancel, at); });
        windows_.emplace_back(cover);
        cover->showFullScreen();
        cover->raise();
        cover->activateWindow();
    }
}

void ClickCapture::stop()
{
    for (const QPointer<QWidget>& window : windows_) {
        if (window)
            window->deleteLater();
    }
    windows_.clear();
}

void ClickCapture::finish(bool cancel, const QPoint& at)
{
    if (!isActive())
        return;
    // The event that ended the capture is still being delivered to one of the windows.
    stop();
    if (cancel)
        Q_EMIT cancelled();
    else
        Q_EMIT picked(at.x(), at.y());
}
