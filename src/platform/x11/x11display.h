#pragma once

// Private X connections. Every thread that synthesizes input or reads the key state gets its own connection, opened on
// first use and closed when the thread ends, so that no thread waits on another's round trips and the toolkit's own
// connection is only ever used by the GUI thread.

#include <functional>
#include <string>

struct _XDisplay;

namespace platform::x11 {

using XDisplay = _XDisplay;

// Sets the display that every private connection opens (the one the backend was created for). Call before any thread
// uses threadDisplay(); later calls with another name make threads reopen their connection.
void setDisplayName(const std::string& name);

// The calling thread's connection, or nullptr when the display cannot be opened (tried again on a later call).
// Keyboard-map notifications are selected on it.
XDisplay* threadDisplay();

// Takes every event waiting on the calling thread's connection without blocking and tells whether one of them says
// that the keyboard map changed in a way that matters: changes that only touch keycodes for which ours() is true are
// the backend's own and ignored.
bool drainKeyboardMapChanges(XDisplay* display, const std::function<bool(int keycode)>& ours);

// The X error code of the last failed request on the calling thread's connection since the previous call (0 if none).
int takeLastXError();

} // namespace platform::x11
