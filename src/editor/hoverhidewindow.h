#pragma once

// The small always-on-top hint shown while the user points at a target for a coordinate capture. It gets out of the
// pointer's way: it hides while the pointer comes near and returns, kept on screen, once the pointer has moved away.

#include <QRect>
#include <QWidget>

class QTimer;

class HoverHideWindow final : public QWidget {
    Q_OBJECT

public:
    HoverHideWindow(int hideDistance, int screenMargin, QWidget* parent = nullptr);
    ~HoverHideWindow() override;

    // Bottom-right corner of the available area of the screen under the pointer, screenMargin_ inside its edges.
    QPoint cornerPosition() const;
    // r moved, keeping its size, so that it lies screenMargin_ inside the available area of the screen at its centre.
    QRect keepOnScreen(const QRect& r) const;

    bool isHiddenByCursor() const { return hiddenByCursor_; }
    QRect lastHiddenGeometry() const { return lastGeometry_; }

protected:
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void checkCursor();

private:
    QTimer* cursorTimer_ = nullptr;
    int hideDistance_ = 0;
    int screenMargin_ = 0;
    QRect lastGeometry_;
    bool hiddenByCursor_ = false;
};
