#include "keycapturesession.h"

#include "model/keycombination.h"
#include "run/keystate.h"

namespace editor {

KeyCaptureSession::KeyCaptureSession() : state_(std::make_shared<keys::KeyCaptureState>()) {}

KeyCaptureSession::~KeyCaptureSession()
{
    remove();
}

bool KeyCaptureSession::start()
{
    state_->begin();
    if (handle_ != 0)
        return true;
    handle_ = platform::services().installKeyboardCapture(
        [captureState = state_](int message, int vk) { return keys::applyCaptureRule(*captureState, message, vk); });
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

QString KeyCaptureSession::result() const
{
    // The mask is written before the key, so a key seen here comes with its own mask.
    const int key = state_->capturedKey.load();
    return key == 0 ? QString() : keys::keyCombinationText(key, state_->capturedMask.load());
}

} // namespace editor
