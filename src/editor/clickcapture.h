#pragma once

// Coordinate capture where no desktop-wide hot key can be had (Wayland lets no client register one): every screen is
// covered by a translucent window of its own, and the next click on one of them gives the point in desktop
// coordinates. Escape or a right click gives up. The windows go as soon as either happens.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class ClickCapture final : public QObject {
    Q_OBJECT

public:
    explicit ClickCapture(QObject* parent = nullptr);
    ~ClickCapture() override;

    // Covers every screen; a capture already running is left as it is.
    void start();
    // Takes the windows away without a signal.
    void stop();
    bool isActive() const { return !windows_.empty(); }

Q_SIGNALS:
    void picked(int x, int y);
    void cancelled();

private:
    void finish(bool cancel, const QPoint& at);

    std::vector<QPointer<QWidget>> windows_;
};
