#include "keycapturesession.h"

#include "model/keycombination.h"
#include "run/keystate.h"

#include <QPointer>

namespace editor {

KeyCaptureSession::KeyCaptureSession(QObject* parent)
    : QObject(parent), state_(std::make_shared<keys::KeyCaptureState>())
{
}

KeyCaptureSession::~KeyCaptureSession()
{
    remove();
}

bool KeyCaptureSession::start()
{
    state_->begin();
    ++startNumber_;
    reported_ = false;
    if (handle_ != 0)
        return true;
    const QPointer<KeyCaptureSession> self(this);
    handle_ = platform::services().installKeyboardCapture([captureState = state_, self](int message, int vk) {
        const bool swallowed = keys::applyCaptureRule(*captureState, message, vk);
        if (swallowed && self && captureState->capturedKey.load() != 0)
            QMetaObject::invokeMethod(
                self, [self, number = self->startNumber_] { self->report(number); }, Qt::QueuedConnection);
        return swallowed;
    });
    if (handle_ != 0) {
        errorText_.clear();
        return true;
    }
    errorText_ = QString::fromStdString(platform::services().lastError());
    state_->capturing.exchange(0);
    return false;
}

void KeyCaptureSession::finish()
{
    state_->capturing.exchange(0);
}

void KeyCaptureSession::remove()
{
    finish();
    if (handle_ != 0) {
        platform::services().removeKeyboardCapture(handle_);
        handle_ = 0;
    }
}

bool KeyCaptureSession::isCapturing() const
{
    return state_->capturing.load() == 1;
}

void KeyCaptureSession::report(int startNumber)
{
    // The mask is written before the key, so a key seen here comes with its own mask.
    const int key = state_->capturedKey.load();
    if (startNumber != startNumber_ || reported_ || key == 0 || !isCapturing())
        return;
    reported_ = true;
    Q_EMIT captured(keys::keyCombinationText(key, state_->capturedMask.load()));
}

} // namespace editor
