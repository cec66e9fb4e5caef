#pragma once

// Watches every key press and release on the desktop through XInput 2 raw events (XI 2.1 or later: delivered whatever
// grab is active), on a connection and a thread of its own. The thread sleeps in poll() on the connection and a wake
// descriptor; one thread serves every active watch.
//
// What the backend types is the program's, not the user's: the typist announces each key event it sends
// (expectTyped), and the watch drops the matching event from the XTest keyboard, as it would never have seen it. Keys
// of the physical keyboard, other clients' XTest keys on other keycodes and keys sent through sendKey (which the run
// subtracts itself) are reported.

#include "platform/inputservices.h"
#include "x11sparekeys.h"

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace platform::x11 {

class KeyWatch {
public:
    // Keys on the pool's keycodes are reported by what the pool bound there.
    KeyWatch(std::string displayName, const SpareKeys& spare);
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // Starts watching (the thread on the first watch); 0 when the display or XInput 2.1 is not there. The watch is
    // active when this returns.
    KeyWatchHandle add(KeyWatchProc proc);
    // proc is not called any more once this returns; the thread ends with the last watch.
    void remove(KeyWatchHandle handle);
    // Ends every watch (at shutdown).
    void clear();
    // Before typing sends a press or release of keycode: its echo is not reported. Ignored while no watch is active,
    // since the echo would then never come to take it back.
    void expectTyped(int keycode, bool press);

private:
    bool start();
    void stop();
    void run(XDisplay* display, int xiOpcode, int xkbEventBase, std::vector<int> xtestKeyboards);
    bool takeTyped(int keycode, bool press);

    std::string displayName_;
    const SpareKeys& spare_;
    std::mutex procsMutex_; // held while procs are called, so that remove() waits for a running call
    std::map<KeyWatchHandle, KeyWatchProc> procs_;
    KeyWatchHandle next_ = 1;
    std::thread thread_;
    int wakeFd_ = -1;
    std::mutex typedMutex_;
    bool active_ = false;                       // the selection is in force: every key sent from now on comes back
    std::map<std::pair<int, bool>, int> typed_; // (keycode, press) -> echoes still to come
};

} // namespace platform::x11
