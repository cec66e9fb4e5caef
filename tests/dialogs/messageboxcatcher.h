#pragma once

// Answers the modal message boxes that a test provokes: every few milliseconds it looks for the active modal widget,
// and when that is a message box with buttons it records the box and presses the wanted button. Boxes without buttons
// (the report dialogs' progress box) are left alone.

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTimer>

struct CaughtBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool parentWindowVisible = false; // the window the box belongs to was on screen while the box was up
};

class MessageBoxCatcher : public QObject {
public:
    explicit MessageBoxCatcher(QMessageBox::StandardButton wanted = QMessageBox::Ok) : answer(wanted)
    {
        connect(&timer, &QTimer::timeout, this, &MessageBoxCatcher::poll);
        timer.start(10);
    }

    QMessageBox::StandardButton answer;
    QList<CaughtBox> boxes;

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->buttons().isEmpty() || !box->isVisible())
            return;
        CaughtBox caught;
        caught.title = box->windowTitle();
        caught.text = box->text();
        caught.icon = box->icon();
        caught.buttons = box->standardButtons();
        caught.parentWindowVisible = box->parentWidget() && box->parentWidget()->window()->isVisible();
        if (auto* button = box->defaultButton())
            caught.defaultButton = box->standardButton(button);
        boxes.append(caught);
        QAbstractButton* button = box->button(answer);
        if (!button)
            button = box->buttons().constFirst();
        button->click();
    }

    QTimer timer;
};
