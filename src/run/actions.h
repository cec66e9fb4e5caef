#pragma once

// The actions a run performs for a page's operation: click, pointer move, smooth move, held key combination and typed
// text. Every action that takes time polls the run's stop flag and ends early when it is set, always releasing what it
// pressed. Input goes to whatever window has the focus, through platform::services().
//
// The optional HeldInputs record is told of every press and release, so that the end of a run can release anything
// that is still down.

#include <QString>

#include <atomic>

class HeldInputs;

namespace actions {

using StopFlag = std::atomic<bool>;

// Waits the given seconds on the monotonic clock in chunks of at most 5 ms; returns early when stop is set. Ends up to
// one millisecond before the deadline. Nothing for seconds <= 0.
void waitSeconds(const StopFlag& stop, double seconds);

// Presses the button at the pointer, holds it with waitSeconds, releases it on every path.
void clickLeft(const StopFlag& stop, double holdSeconds, HeldInputs* held = nullptr);
void clickRight(const StopFlag& stop, double holdSeconds, HeldInputs* held = nullptr);

// Puts the pointer on (x, y) at once.
void movePointer(int x, int y);

// Moves the pointer from where it is to (x, y) over the given seconds, each step placed by the elapsed time. A move
// that is not stopped always ends exactly on the target; a stopped one stays on its last step. Duration <= 0 jumps.
void smoothMove(const StopFlag& stop, int x, int y, double seconds);

// text is a key-combination text followed by the hold in seconds ("65,2,0.01" = Ctrl+A for 10 ms). Presses Ctrl, Alt,
// Shift, Win (those in the stored mask) and the main key, holds, releases in reverse order on every path. Empty text,
// "なし", no main key or main key 0 do nothing.
void pressKey(const StopFlag& stop, const QString& text, HeldInputs* held = nullptr);

// Types the text one UTF-16 unit at a time (press and release each), spread evenly over the seconds: the first unit at
// once, the action ending about one full duration after it began. Empty text or duration <= 0 types nothing.
void typeText(const StopFlag& stop, const QString& text, double seconds);

// One key press or release by virtual-key code.
void sendKeyDown(int vk, HeldInputs* held = nullptr);
void sendKeyUp(int vk, HeldInputs* held = nullptr);

} // namespace actions
