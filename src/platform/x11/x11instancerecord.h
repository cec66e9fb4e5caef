#pragma once

// The record that running instances keep of the keycodes they have bound for typing, so that no two of them share one
// and a later start can take back what a killed instance left behind.
//
// Each running instance has a root window property of its own, _ORVANE_BOUND_KEYCODES or _ORVANE_BOUND_KEYCODES_<n>
// (CARDINAL/32, pairs of keycode and keysym, a pair for each level of a keycode of several levels; the first name is
// the one that versions with a single record used, so their leftovers are taken back too), and owns the selection
// _ORVANE_INSTANCE_<n> through a window of its connection. The X server drops that ownership however the program ends,
// so a record whose selection has no owner is a dead instance's, and only such records are taken back: another instance
// that is typing keeps its bindings. The guardian covers an instance that found no free record.
//
// claim() runs once before any other member; after it the members are safe to call from any thread, each on the
// caller's connection.

#include "x11display.h"

#include <string>
#include <utility>
#include <vector>

namespace platform::x11 {

class InstanceRecord {
public:
    // How many instances can keep a record at once.
    static constexpr int kCount = 16;

    // On a connection that lives as long as the instance: takes a record of its own and, in every record of a dead
    // instance, empties each keycode that still carries exactly the recorded keysym; a keycode that now carries
    // something else belongs to another program and stays as it is. Returns the keycodes emptied. Without a free
    // record (kCount instances at once) the instance keeps none.
    std::vector<int> claim(XDisplay* display);
    // Replaces this instance's record by bound (pairs of keycode and keysym); no record at all when it is empty.
    // Nothing without a record. Not flushed.
    void write(XDisplay* display, const std::vector<std::pair<int, unsigned long>>& bound) const;
    // The keycodes that the records of other living instances name.
    std::vector<int> namedByOthers(XDisplay* display) const;
    // Gives the record up (at shutdown). The window of claim() lives on its connection, which may be gone already.
    void release(XDisplay* display);

    // Writes prior (keysyms of a core mapping row; none: no keysym at all) on keycode; a keycode given back empty also
    // loses the explicit key type that a binding of four levels set there, so that nothing of the binding is left. Not
    // flushed.
    static void giveBack(XDisplay* display, int keycode, const std::vector<unsigned long>& prior);

    // True while some instance marks itself alive (then nothing it holds is a leftover).
    static bool anyAlive(XDisplay* display);

private:
    std::string name_;                 // empty: no record
    std::vector<unsigned long> atoms_; // every record's atom followed by its instance selection's
    unsigned long owner_ = 0;          // the window whose selection marks the record as a living instance's
    unsigned long selection_ = 0;
};

} // namespace platform::x11
