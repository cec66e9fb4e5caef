#pragma once

// The X11 backend of the input services. Built on Linux; the factory picks it where an X display is reachable.
//
// Where X works differently from Windows, the backend behaves like this:
// - Typing: a whole character goes out on the press of its (last) UTF-16 unit; release calls do nothing. A surrogate
//   pair is typed when its low unit is pressed. "\n", "\r" and "\r\n" are one Return, "\t" is Tab; other control
//   characters except Backspace, Escape and Delete are dropped. Characters missing from the keyboard map are bound
//   for a moment on unused keycodes, paced so that no program translates a key with a newer binding: such text goes
//   out at roughly a hundred characters a second at most, the caller blocking until each character is out. CapsLock
//   is switched off around each character.
// - Keys missing from the keyboard map (F13-F24 on common layouts, keypad digits while NumLock is off) are bound on an
//   unused keycode while held.
// - The capture is a keyboard grab: an event that no capture procedure takes is still not seen by other programs,
//   key releases reach the procedure up to 30 ms late (they wait for a possible autorepeat press), and releases of
//   keys that were down before the capture began are swallowed unreported. Installing it costs one round trip and
//   fails while another program holds the keyboard. Keys without a Windows code are reported as 255.
// - Hot keys are passive grabs for the exact modifiers (lock keys ignored); while a capture runs they do not fire.
//   They keep the keycodes found at registration.
// - Coordinates are those of the default screen's root window.

#include "platform/inputservices.h"

#include <memory>

namespace platform {

// The X11 backend, or nullptr when no X display can be opened or it lacks the XTEST or XKEYBOARD extension. Call
// after the GUI application object exists: the capture and the hot keys use the toolkit's own X connection (without
// it, for instance on a Wayland platform plugin, they fail and everything else still works through private
// connections).
std::unique_ptr<InputServices> createX11Services();

// Before the GUI application object exists: when QT_QPA_PLATFORM is not set and an X display can be opened, selects
// the toolkit's X11 platform, so that the capture and hot keys also work under XWayland.
void x11PrepareGuiPlatform();

} // namespace platform
