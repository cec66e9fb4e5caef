#pragma once

// Stands in for the tray icon on desktops without a system tray: a small window that stays on top of every other
// window, shows the same "「name」を終了" text and stops the run when clicked. It never takes the keyboard focus, so
// the run's typing still goes to the window the user chose.

#include <QWidget>

class QLabel;

class StopWindow final : public QWidget {
    Q_OBJECT

public:
    explicit StopWindow(const QString& text, QWidget* parent = nullptr);

    // Places the window in the bottom right corner of the primary screen, where a tray usually is.
    void placeInCorner();

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* iconLabel = nullptr;
    QLabel* textLabel = nullptr;
};
