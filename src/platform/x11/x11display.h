#pragma once

// Private X connections. Every thread that synthesizes input or reads the key state gets its own connection, opened on
// first use and closed when the thread ends, so that no thread waits on another's round trips and the toolkit's own
// connection is only ever used by the GUI thread.

#include <functional>
#include <string>
#include <vector>

struct _XDisplay;
union _XEvent;

namespace platform::x11 {

using XDisplay = _XDisplay;
using XEvent = _XEvent;

// Sets the display that every private connection opens (the one the backend was created for). Call before any thread
// uses threadDisplay(); later calls with another name make threads reopen their connection.
void setDisplayName(const std::string& name);

// The calling thread's connection, or nullptr when the display cannot be opened (tried again on a later call).
// Keyboard-map notifications are selected on it.
XDisplay* threadDisplay();

// What the keyboard-map and keyboard-state notifications waiting on a connection say. Serials are those of the last
// request of this connection that the server had handled when the change happened, so that a key sent by the
// connection is known to have gone out before (its request's serial <= the change's) or after the change.
struct KeyboardMapChanges {
    bool foreign = false;            // a change outside the typing pool (or of the whole map): the map must be re-read
    std::vector<int> poolKeycodes;   // keycodes of our own changes: to be checked whether another program took them
    unsigned long foreignSerial = 0; // of the first foreign change
    bool mapped = false;             // any change of the map at all, ours included
    unsigned long mappedSerial = 0;  // of the first of them
    struct State {
        unsigned long serial = 0;
        int group = 0;     // effective group
        unsigned mods = 0; // effective modifiers
    };
    std::vector<State> states; // group and modifier changes, in order
};

// The one rule for keyboard-map notifications, on whichever connection they arrive (xkbEventBase < 0: the connection
// has no XKB, and only the core notification counts; with XKB the core one duplicates the XKB one and is ignored). A
// new keyboard or a change of more than per-key data is foreign: the map must be re-read. A changed span of keysyms or
// actions is listed as the pool's when ours(first, count) is true (its own rebindings need no new map, only a look
// whether another program took those keycodes meanwhile), and is foreign otherwise. Group and modifier changes are
// listed in order. Returns false when the event is none of these.
bool noteKeyboardMapChange(KeyboardMapChanges& changes, const XEvent& event, int xkbEventBase,
                           const std::function<bool(int first, int count)>& ours);

// Takes every event waiting on the calling thread's connection without blocking and notes the keyboard-map
// notifications among them.
KeyboardMapChanges drainKeyboardMapChanges(XDisplay* display, const std::function<bool(int first, int count)>& ours);

// The X error code of the last failed request on the calling thread's connection since the previous call (0 if none).
int takeLastXError();

// Waits until the server has handled every request sent on the calling thread's connection and tells whether all of
// them were carried out: false after an X error since the previous check, or when the connection is lost. A lost
// connection does not end the program (as Xlib's default would); the thread opens a new one on its next
// threadDisplay().
bool syncChecked(XDisplay* display);

// A connection of its own for a thread that reads raw input events (the key watch, the recorder): a lost server ends
// that thread's loop (its poll() sees the hang-up), never the program. nullptr when the display cannot be opened.
XDisplay* openEventDisplay(const std::string& name);

// Whether the connection's server has XInput 2.1 (raw events of every device); xiOpcode is the extension's opcode.
bool hasXInput21(XDisplay* display, int* xiOpcode);

} // namespace platform::x11
