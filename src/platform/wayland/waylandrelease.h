#pragma once

// What the guardian does for the Wayland backend after the program's abnormal end. The compositor lets go of a virtual
// keyboard's keys when its connection closes, but not of the buttons that a virtual pointer holds: those stay down in
// the seat, and every client under the pointer sees a drag that never ends. A button release from another virtual
// pointer of the same seat ends them.

#include <set>

namespace platform {

// The button codes the Wayland backend records in the ledger (the kernel's BTN_LEFT and BTN_RIGHT); X buttons are
// numbered from 1, so the two never meet in one ledger.
constexpr int kWaylandLeftButton = 0x110;
constexpr int kWaylandRightButton = 0x111;

// The key the Wayland backend records while it holds any key of its virtual keyboard, beyond every X keycode: the
// guardian cuts the backend's connection for them (the compositor then lets go of them) and never releases it on X.
constexpr int kWaylandKeys = 0x10000;

// Releases those of buttons that are Wayland button codes on a connection of its own to the compositor in
// WAYLAND_DISPLAY. Plain libc and libwayland-client, for the forked guardian. Blocks for a connection and a round trip.
void waylandReleaseButtons(const std::set<int>& buttons);

} // namespace platform
