#include "keycapturesession.h"

#include "run/keycombination.h"

namespace editor {

KeyCaptureSession::KeyCaptureSession() : state(std::make_shared<keys::KeyCaptureState>()) {}

KeyCaptureSession::~KeyCaptureSession()
{
    remove();
}

bool KeyCaptureSession::start()
{
    state->begin();
    if (handle != 0)
        return true;
    handle = platform::services().installKeyboardCapture(
        [captureState = state](int message, int vk) { return keys::applyCaptureRule(*captureState, message, vk); });
    if (handle != 0) {
        errorText.clear();
        return true;
    }
    errorText = QString::fromStdString(platform::services().lastError());
    state->capturing.exchange(0);
    return false;
}

void KeyCaptureSession::finish()
{
    state->capturing.exchange(0);
}

void KeyCaptureSession::remove()
{
    finish();
    if (handle != 0) {
        platform::services().removeKeyboardCapture(handle);
        handle = 0;
    }
}

bool KeyCaptureSession::isCapturing() const
{
    return state->capturing.load() == 1;
}

QString KeyCaptureSession::result() const
{
    // The mask is written before the key, so a key seen here comes with its own mask.
    const int key = state->capturedKey.load();
    return key == 0 ? QString() : keys::keyCombinationText(key, state->capturedMask.load());
}

} // namespace editor
