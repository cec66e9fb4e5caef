#pragma once

// A record, kept outside the program's process, of what the backend holds down and which keycodes it has rebound, so
// that a guardian can hand the desktop back after an abnormal end (SIGKILL, crash, abort): it releases every key and
// button still recorded as down and restores every rebound keycode to its prior mapping.
//
// Backends report at the level they act on: X keycodes and X buttons on X11, virtual-key codes and buttons on Windows.
// The default ledger records nothing; the entry point installs the guardian's ledger at start-up, before any thread
// that synthesises input exists.

#include <memory>
#include <vector>

namespace platform {

class InputLedger {
public:
    InputLedger() = default;
    InputLedger(const InputLedger&) = delete;
    InputLedger& operator=(const InputLedger&) = delete;
    virtual ~InputLedger() = default;

    // A key (backend key code) or button was pressed by synthesis / released again. Call before the press is sent and
    // after the release was sent, so that the record never misses something that is down. Any thread; never blocks
    // for long.
    virtual void keyDown(int /*code*/) {}
    virtual void keyUp(int /*code*/) {}
    virtual void buttonDown(int /*button*/) {}
    virtual void buttonUp(int /*button*/) {}

    // A keycode is about to be rebound; priorKeysyms is its mapping before the program first touched it (reported once
    // per keycode until restored()). Any thread.
    virtual void rebound(int /*keycode*/, const std::vector<unsigned long>& /*priorKeysyms*/) {}
    // The keycode carries its prior mapping again (or was taken over by another program). Any thread.
    virtual void restored(int /*keycode*/) {}

    // keycode now carries exactly keysyms (one for each level, 0 on a level left empty), put there by the program
    // ({0}: the program emptied it again). A keycode is restored after an abnormal end only while it still carries what
    // the program put there: a mapping that another program or a layout switch has put on it since is the user's and
    // stays. Any thread.
    virtual void bound(int /*keycode*/, const std::vector<unsigned long>& /*keysyms*/) {}
    // CapsLock was switched off so that typing is not case-converted (suspended = true), or back on (false). After an
    // abnormal end in between, it is switched back on. Any thread.
    virtual void capsLockSuspended(bool /*suspended*/) {}

    // The backend's connection to a Wayland compositor (-1: it is closed again). The watchdog keeps a copy and cuts
    // the connection while the program is stopped holding keys there: the compositor lets go of a virtual keyboard's
    // keys only with its client, and no other client can release them. Call with the connection open. Any thread.
    virtual void waylandConnection(int /*fd*/) {}

    // The program ends cleanly: nothing is left to undo. Any thread.
    virtual void goodbye() {}
};

// The process's ledger (a recording-nothing one until setLedger is called).
InputLedger& ledger();
// Replaces the ledger and returns the previous one. Call before any thread that synthesises input starts.
std::unique_ptr<InputLedger> setLedger(std::unique_ptr<InputLedger> ledger);

} // namespace platform
