#pragma once

// Records the user's buttons, keys and (when asked) pointer motion through XInput 2 raw events (XI 2.1 or later:
// delivered whatever grab is active), on a connection and a thread of its own. A key's text is what it types with the
// keymap and modifiers at its press: libxkbcommon follows the keyboard state key by key in the order of the events,
// since by the time a query reached the server a quick typist would have let go of Shift. Button presses and motion
// carry the pointer position, which raw events lack, read with a query as each arrives.

#include "platform/inputservices.h"
#include "x11display.h"

#include <mutex>
#include <string>
#include <thread>

namespace platform::x11 {

class Recorder {
public:
    explicit Recorder(std::string displayName);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // One recording at a time: 0 while another one runs, or when the display, XInput 2.1 or the keymap are not there.
    // The recording is active when this returns.
    RecordingHandle start(InputRecordProc proc, bool moves);
    // proc is not called any more once this returns.
    void stop(RecordingHandle handle);

private:
    struct Keyboard;
    void run(XDisplay* display, int xiOpcode, int xkbEventBase, bool moves, Keyboard& keyboard, bool loaded);

    std::string displayName_;
    std::mutex mutex_;
    InputRecordProc proc_;
    RecordingHandle current_ = 0;
    RecordingHandle next_ = 1;
    std::thread thread_;
    int wakeFd_ = -1;
};

} // namespace platform::x11
