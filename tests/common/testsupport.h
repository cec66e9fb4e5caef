#pragma once

// Shared by the tests: the fake input backend with a test-mode configuration location, the configuration of a
// returning user, an answerer for the message boxes a test provokes and a catcher of log messages.

#include "model/recoverycopy.h"
#include "platform/fake/fakeservices.h"
#include "settings/config.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

namespace testsupport {

// The fake backend with a desktop whose recording the test feeds by hand, on the test's thread.
class RecordingFake final : public platform::FakeServices {
public:
    bool recordable = true; // what canRecord() answers
    bool canRecord() const override { return recordable; }
    platform::RecordingHandle startRecording(platform::InputRecordProc proc, bool) override
    {
        proc_ = recordable ? std::move(proc) : nullptr;
        return proc_ ? 1 : 0;
    }
    void stopRecording(platform::RecordingHandle) override { proc_ = nullptr; }
    bool isRecording() const { return bool(proc_); }
    void feed(const std::vector<platform::InputEvent>& events)
    {
        for (const platform::InputEvent& event : events)
            proc_(event);
    }

private:
    platform::InputRecordProc proc_;
};

// Installs the fake backend once per test program and keeps every configuration file in the test location.
inline RecordingFake& fake()
{
    static RecordingFake* installed = [] {
        QStandardPaths::setTestModeEnabled(true);
        auto backend = std::make_unique<RecordingFake>();
        auto* raw = backend.get();
        platform::setServices(std::move(backend));
        return raw;
    }();
    return *installed;
}

// Writes the configuration of a user who has seen the greeting and has help mode off, then lets `adjust` change it.
// No recovery copy of an earlier test is left to be offered.
inline void writeReturningUser(const std::function<void(settings::Config&)>& adjust = {})
{
    model::removeRecoveryCopy(settings::stateDirectory());
    QFile::remove(settings::configFilePath());
    settings::Config config;
    config.filePath = settings::desktopDirectory();
    config.isUsedThis = true;
    config.isHelp = false;
    if (adjust)
        adjust(config);
    settings::saveConfig(config);
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool parentVisible = false; // the window the box belongs to was on screen while the box was up
};

// While it lives, answers every message box that has buttons with the queued answers in order (then Ok when the box
// has it, else No, else its first button) and records what each box said. Boxes without buttons are left alone.
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
        if (!box || !box->isVisible() || box->buttons().isEmpty())
            return;
        SeenBox record{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        record.parentVisible = box->parentWidget() && box->parentWidget()->window()->isVisible();
        if (QAbstractButton* def = box->defaultButton())
            record.defaultButton = box->standardButton(def);
        seen.append(record);
        QMessageBox::StandardButton answer =
            record.buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        QAbstractButton* button = box->button(answer);
        (button ? button : box->buttons().constFirst())->click();
    }

    std::deque<QMessageBox::StandardButton> answers_;
    QTimer timer_;
};

// While it lives, keeps every message that the logging rules in force let through, and passes each on.
class LogCatcher {
public:
    LogCatcher() { previous = qInstallMessageHandler(&LogCatcher::keep); }
    ~LogCatcher() { qInstallMessageHandler(previous); }
    bool holds(const QString& text) const { return kept.join(QLatin1Char('\n')).contains(text); }

private:
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        kept << message;
        previous(type, context, message);
    }
    static inline QStringList kept;
    static inline QtMessageHandler previous = nullptr;
};

} // namespace testsupport
