#include "recordingsession.h"

#include "model/keycombination.h"
#include "platform/inputservices.h"
#include "run/combinationwatch.h"

RecordingSession::RecordingSession(QObject* parent) : QObject(parent)
{
    countdown_.setSingleShot(true);
    connect(&countdown_, &QTimer::timeout, this, &RecordingSession::begin);
}

RecordingSession::~RecordingSession()
{
    if (handle_ != 0)
        platform::services().stopRecording(handle_);
}

bool RecordingSession::start(const Settings& settings)
{
    if (!platform::services().canRecord())
        return false;
    settings_ = settings;
    if (!keys::parseKeyCombination(settings.stopCommand, &settings_.options.stop))
        settings_.options.stop = {};
    // Without a delay the desktop is recorded from here on: what the user does right after the indicators appear
    // counts.
    if (settings.startDelay <= 0)
        begin();
    else
        countdown_.start(settings.startDelay * 1000);
    return true;
}

void RecordingSession::begin()
{
    if (stopping_.load())
        return;
    const keys::KeyCombination stop = settings_.options.stop;
    if (stop.key != 0) {
        watch_ = std::make_unique<CombinationWatch>(stop.key, stop.storedMask);
        watch_->seed([](int vk) { return platform::services().isKeyDown(vk); });
    }
    handle_ = platform::services().startRecording(
        [this](const platform::InputEvent& event) {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
            const bool key =
                event.type == platform::InputEvent::Type::KeyDown || event.type == platform::InputEvent::Type::KeyUp;
            if (key && watch_ &&
                watch_->feed(event.vk, event.type == platform::InputEvent::Type::KeyDown) ==
                    CombinationWatch::Step::Pressed)
                requestStop();
        },
        settings_.options.moves);
    if (handle_ == 0) {
        requestStop();
        return;
    }
    Q_EMIT recording();
}

void RecordingSession::requestStop()
{
    if (!stopping_.exchange(true))
        QMetaObject::invokeMethod(this, &RecordingSession::finish, Qt::QueuedConnection);
}

void RecordingSession::finish()
{
    if (finished_)
        return;
    finished_ = true;
    countdown_.stop();
    if (handle_ != 0)
        platform::services().stopRecording(handle_);
    handle_ = 0;
    std::vector<platform::InputEvent> events;
    {
        std::lock_guard lock(mutex_);
        events.swap(events_);
    }
    Q_EMIT finished(record::makePages(events, settings_.options));
}
