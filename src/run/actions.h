#pragma once

// The actions a run performs for a page's operation: click, pointer move, smooth move, held key combination and typed
// text. Every wait blocks on the run's stop signal until its deadline on the monotonic clock, so a stop ends an action
// at once; what an action pressed is released on every path. Input goes to whatever window has the focus, through
// platform::services().
//
// Keys and buttons are pressed through a HeldInputs record (the run's own, or one of the action's when none is given),
// so that a stop can release them from the stopping thread and refuse later presses.
//
// An action returns false when some input was not delivered while the run was not stopped; a stopped action is not a
// failure.

#include "model/keycombination.h"
#include "platform/inputservices.h"
#include "platform/stopsignal.h"

#include <QString>

#include <vector>

class HeldInputs;

namespace actions {

using StopFlag = platform::StopSignal;

// Waits the given seconds on the monotonic clock, never ending early; returns early when stop is set. Nothing for
// seconds <= 0.
void waitSeconds(const StopFlag& stop, double seconds);

// Presses the button at the pointer, holds it for the given seconds from the press, releases it on every path.
bool clickLeft(const StopFlag& stop, double holdSeconds, HeldInputs* held = nullptr);
bool clickRight(const StopFlag& stop, double holdSeconds, HeldInputs* held = nullptr);

// Why a pointer target is refused: (x, y) lies on none of the monitors. The sentence names the target and the
// screen's extent; empty when the point is on a monitor or the monitors are unknown (an empty list).
QString offScreenTarget(int x, int y, const std::vector<platform::ScreenArea>& monitors);

// Puts the pointer on (x, y) at once. A target on none of the monitors is refused before anything moves: false, with
// offScreenTarget's sentence in *refused.
bool movePointer(int x, int y, QString* refused = nullptr);

// Moves the pointer from where it is to (x, y) over the given seconds, each step placed by the elapsed time. A move
// that is not stopped always ends exactly on the target; a stopped one stays on its last step. Duration <= 0 jumps.
// The target is refused as by movePointer; a step that falls between two monitors on the way is left out.
bool smoothMove(const StopFlag& stop, int x, int y, double seconds, QString* refused = nullptr);

// Presses Ctrl, Alt, Shift, Win (those in the stored mask) and the main key, holds from the main key's press for the
// press's seconds, releases in reverse order on every path. Main key 0 does nothing.
bool pressKey(const StopFlag& stop, const keys::KeyPress& press, HeldInputs* held = nullptr);

// Types the text through the backend's typeText, one UTF-16 unit after another spread evenly over the seconds: the
// first unit at once, the action ending about one full duration after it began. Returns how many units were
// delivered: all of them when complete, fewer after a stop or a failure, 0 when there is nothing to type (empty text
// or duration <= 0).
qsizetype typeText(const StopFlag& stop, const QString& text, double seconds);

} // namespace actions
