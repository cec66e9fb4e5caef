#pragma once

// Shared by the editor's widget tests: a main window on the fake input backend with a test-mode configuration, and
// an answerer for the message boxes the window opens.

#include "app/orvane.h"
#include "platform/fake/fakeservices.h"
#include "settings/config.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>

namespace editortest {

inline platform::FakeServices& fake()
{
    return static_cast<platform::FakeServices&>(platform::services());
}

// Once per test program: the fake backend and a configuration that lives in the test location.
inline void initProgram()
{
    QStandardPaths::setTestModeEnabled(true);
    platform::setServices(std::make_unique<platform::FakeServices>());
}

// Before each window: a configuration of a user who has seen the greeting and has help mode off.
inline void resetConfig(bool messageFile = true, bool messagePaste = false, bool messageDelete = true)
{
    QFile::remove(settings::configFilePath());
    settings::Config config;
    config.filePath = settings::desktopDirectory();
    config.isUsedThis = true;
    config.isHelp = false;
    config.isMessageFile = messageFile;
    config.isMessagePaste = messagePaste;
    config.isMessageDelete = messageDelete;
    settings::saveConfig(config);
}

inline std::unique_ptr<orvane> makeWindow()
{
    auto window = std::make_unique<orvane>();
    window->show();
    return window;
}

// A window that shows the editor with the fresh project.
inline std::unique_ptr<orvane> makeEditor()
{
    auto window = makeWindow();
    window->newProjectButton->click();
    return window;
}

inline bool shown(const orvane& window, const QWidget* widget)
{
    return widget->isVisibleTo(&window);
}

inline QStringList rows(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Answers every message box that opens while it lives, with the queued answers in order (Ok when the queue is
// empty and the box has Ok, else No), and records what each box said.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {}) : answers_(std::move(answers))
    {
        connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::poll);
        timer_.start(10);
    }

    QList<SeenBox> seen;

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        SeenBox record;
        record.title = box->windowTitle();
        record.text = box->text();
        record.icon = box->icon();
        record.buttons = box->standardButtons();
        if (QAbstractButton* def = box->defaultButton())
            record.defaultButton = box->standardButton(def);
        seen.append(record);
        QMessageBox::StandardButton answer = QMessageBox::No;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        } else if (record.buttons.testFlag(QMessageBox::Ok)) {
            answer = QMessageBox::Ok;
        }
        if (QAbstractButton* button = box->button(answer))
            button->click();
        else
            box->reject();
    }

    std::deque<QMessageBox::StandardButton> answers_;
    QTimer timer_;
};

} // namespace editortest
