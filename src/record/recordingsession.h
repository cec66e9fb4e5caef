#pragma once

// One recording of the user's input, for the editor and for `orvane --record`: a start delay, then the desktop's
// buttons and keys (and pointer paths when asked) collected from a backend thread until the stop combination, a stop
// request (the tray icon, the stop window, a quit signal) or the end of the object; then the pages they become.

#include "record/recordedpages.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CombinationWatch;

class RecordingSession final : public QObject {
    Q_OBJECT

public:
    struct Settings {
        int startDelay = 0;  // seconds
        QString stopCommand; // stored key-combination text; none: only a stop request ends the recording
        record::Options options;
    };

    explicit RecordingSession(QObject* parent = nullptr);
    ~RecordingSession() override;

    // Counts the delay down, then records. False (and nothing started) where the desktop cannot be recorded. Once, on
    // the GUI thread.
    bool start(const Settings& settings);
    // Ends the recording (or the countdown): finished() follows on the GUI thread. Any thread.
    void requestStop();

Q_SIGNALS:
    // The countdown is over and the desktop is being recorded.
    void recording();
    // The recording has ended and the desktop is let go of. GUI thread, once.
    void finished(const record::Pages& pages);

private:
    void begin();
    void finish();

    Settings settings_;
    QTimer countdown_;
    std::mutex mutex_; // the events and the watch, fed from the backend's thread
    std::vector<platform::InputEvent> events_;
    std::unique_ptr<CombinationWatch> watch_;
    int handle_ = 0;
    std::atomic<bool> stopping_{false};
    bool finished_ = false;
};
