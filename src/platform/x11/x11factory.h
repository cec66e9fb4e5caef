#pragma once

// The X11 backend of the input services. Built on Linux; the factory picks it where an X display is reachable.
//
// Where X works differently from Windows, the backend behaves like this:
// - Typing: a whole character goes out on the press of its (last) UTF-16 unit; release calls do nothing. A surrogate
//   pair is typed when its low unit is pressed. "\n", "\r" and "\r\n" are one Return, "\t" is Tab; other control
//   characters except Backspace, Escape and Delete are dropped. CapsLock is switched off while typing.
// - Characters missing from the keyboard map are bound for a moment on unused keycodes (19 on Xvfb's default map).
//   typeText binds them in batches of as many distinct characters as there are such keycodes, with one keymap change
//   per batch (the span from the lowest to the highest keycode, the keys in between written back unchanged), and types
//   the batch. A client translates a key with the keymap it fetched when it handled the last change notification, so a
//   keycode is only rebound 100 ms after its previous binding (and no two changes come closer than 15 ms): a client
//   that handles the notification within that time translates every key right. Measured on Xvfb, 2 cores, a Qt text
//   box in another process: one keymap change per keycode (19 per batch) made the clients reload their keymaps faster
//   than they could and lose characters even at 80 ms, so a batch is one change. With both cores saturated by a
//   compiler (load 3-4), a 128-character text came out exact 9 of 10 times at 50 ms and 25 of 25 times at 100 ms.
//   Figures at 100 ms: 94 characters of mixed Japanese about 310 characters/s (xdotool is exact only at --delay 20,
//   about 90/s, and not always), ASCII
//   (on the map, one round trip per text) above 20,000/s. Characters bound already are reused without rebinding.
//   sendUnicodeUnit binds one character at a time under the same rules. Bindings are removed 400 ms after typing
//   stopped and at shutdown; a root window property per running instance lists what it has bound, and a later start
//   empties what a killed instance left behind (only a dead instance's: see x11sparekeys.h).
// - Synthesis reports failure (false, or fewer units from typeText) when no keycode is free, the server refused a
//   request or the display went away; a broken connection does not end the program, the thread reconnects later.
// - Keys missing from the keyboard map (F13-F24 on common layouts, keypad digits while NumLock is off) are bound on an
//   unused keycode while held.
// - The capture is a keyboard grab: an event that no capture procedure takes is still not seen by other programs,
//   key releases reach the procedure up to 30 ms late (they wait for a possible autorepeat press), and releases of
//   keys that were down before the capture began are swallowed unreported. Installing it costs one round trip and
//   fails while another program holds the keyboard. Keys without a Windows code are reported as 255.
// - Hot keys are passive grabs for the exact modifiers (lock keys ignored); while a capture runs they do not fire.
//   They keep the keycodes found at registration.
// - The key watch reads XInput 2.1 raw key events on a connection and a thread of its own: it sees every press and
//   release whatever grab is active, but no autorepeat. Keys without a Windows code are reported as 255.
// - Coordinates are those of the default screen's root window. A pointer target on none of its monitors (see
//   x11monitors.h) is refused: the server would put the pointer on the nearest edge of the screen instead.

#include "platform/inputservices.h"

#include <memory>
#include <vector>

namespace platform {

// The X11 backend, or nullptr when no X display can be opened or it lacks the XTEST or XKEYBOARD extension. Call
// after the GUI application object exists: the capture and the hot keys use the toolkit's own X connection (without
// it, for instance on a Wayland platform plugin, they fail and everything else still works through private
// connections).
std::unique_ptr<InputServices> createX11Services();

// The monitors of the default screen of the display in DISPLAY, on a connection of its own; empty without a display.
// For a process that has no backend: Xlib's error handler is replaced for the duration of the call.
std::vector<ScreenArea> x11DesktopMonitors();

// Before the GUI application object exists: when QT_QPA_PLATFORM is not set and an X display can be opened, selects
// the toolkit's X11 platform, so that the capture and hot keys also work under XWayland.
void x11PrepareGuiPlatform();

// Whether the toolkit can be expected to find a display: an X display opens, a Wayland one is named, or the user chose
// the toolkit's platform.
bool x11DisplayReachable();

} // namespace platform
