#pragma once

// The ledger's wire format between the program and its watchdog, the state both sides rebuild from it, and the
// program-side ledger that keeps a copy of that state so it can resend it whole when a record could not be written.
// Plain C++: the watchdog side may run in a forked child or in a process of its own.

#include "platform/inputledger.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace platform::guardian {

// A record is a header word (kind in the top byte, keysym count below), a code word and that many keysym words.
enum class RecordKind : std::uint32_t {
    KeyDown = 1,
    KeyUp,
    ButtonDown,
    ButtonUp,
    Rebound,
    Restored,
    Goodbye,
    Reset, // forget everything; a full copy of the state follows
    // Appended later; the numbers above keep their meaning.
    Bound,    // one to four keysym words: what the program put on the keycode (0: it emptied the keycode)
    CapsLock, // code 1: CapsLock switched off for typing; 0: back on
    Wayland,  // code 1: a copy of the backend's Wayland connection travels with the record; 0: that copy is dropped
};

// No keyboard map has more keysyms per keycode than this (X allows 255; real maps use 4 to 8).
constexpr std::size_t kMaxKeysyms = 64;

std::vector<std::uint32_t> encodeRecord(RecordKind kind, int code, const std::vector<unsigned long>& keysyms = {});

// What the program holds right now, as far as the records tell.
struct LedgerState {
    std::set<int> keys;
    std::set<int> buttons;
    std::map<int, std::vector<unsigned long>> rebound; // keycode -> its mapping before the program touched it
    std::map<int, std::vector<unsigned long>> bound;   // keycode -> the keysyms the program put there ({0}: emptied it)
    bool capsLockSuspended = false;
    bool goodbye = false;

    bool holdsNothing() const { return keys.empty() && buttons.empty() && rebound.empty() && !capsLockSuspended; }
    void apply(RecordKind kind, int code, const std::vector<unsigned long>& keysyms);
    // Reset followed by one record per entry: sent after records were lost.
    std::vector<std::vector<std::uint32_t>> snapshot() const;
};

// Rebuilds a LedgerState from a byte stream that may split records anywhere.
class RecordReader {
public:
    // Applies every complete record in the bytes; false on a malformed record (the stream is then useless).
    bool feed(const void* bytes, std::size_t size);
    const LedgerState& state() const { return state_; }

private:
    LedgerState state_;
    std::vector<std::uint8_t> pending_;
};

// The program's ledger: keeps its own copy of the state and writes each change as one record. The channel writes a
// record whole or not at all without blocking the caller. After a failed write (the watchdog is not keeping up) the
// whole state is sent again, after a reset, with each later change until it goes through.
class RecordLedger : public InputLedger {
public:
    void keyDown(int code) override { change(RecordKind::KeyDown, code); }
    void keyUp(int code) override { change(RecordKind::KeyUp, code); }
    void buttonDown(int button) override { change(RecordKind::ButtonDown, button); }
    void buttonUp(int button) override { change(RecordKind::ButtonUp, button); }
    void rebound(int keycode, const std::vector<unsigned long>& priorKeysyms) override
    {
        change(RecordKind::Rebound, keycode, priorKeysyms);
    }
    void restored(int keycode) override { change(RecordKind::Restored, keycode); }
    void bound(int keycode, const std::vector<unsigned long>& keysyms) override
    {
        change(RecordKind::Bound, keycode, keysyms);
    }
    void capsLockSuspended(bool suspended) override { change(RecordKind::CapsLock, suspended ? 1 : 0); }
    // The goodbye goes out only when nothing is recorded as held: otherwise the watchdog undoes the rest once the
    // channel closes. sayGoodbye() returns whether it went out; nothing is written after it.
    void goodbye() override { sayGoodbye(); }
    bool sayGoodbye();
    // Sends the whole state again when a record could not be written; false while that still fails. The channel calls
    // it from a timer of its own, so that a long hold after a lost record does not wait for the next change.
    bool retry();
    // A lost record waits to be sent again.
    bool pending() const;

protected:
    // Writes one record whole, or nothing; never blocks for long. The final write may wait a little for room.
    virtual bool write(const std::vector<std::uint32_t>& record, bool final) = 0;

private:
    void change(RecordKind kind, int code, const std::vector<unsigned long>& keysyms = {});
    bool resend(bool final);

    mutable std::mutex mutex_;
    LedgerState mirror_;
    bool stale_ = false;
    bool closed_ = false;
};

} // namespace platform::guardian
