#include "x11instancerecord.h"

#include "x11keyboardmap.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <map>

namespace platform::x11 {

namespace {

std::string recordName(int n)
{
    return n == 0 ? std::string("_ORVANE_BOUND_KEYCODES") : "_ORVANE_BOUND_KEYCODES_" + std::to_string(n);
}

std::string instanceSelection(int n)
{
    return "_ORVANE_INSTANCE_" + std::to_string(n);
}

// The pairs of keycode and keysym a record holds (empty when it is missing or not ours); remove deletes it as it is
// read.
std::vector<long> readRecord(Display* display, Atom record, bool remove)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    std::vector<long> pairs;
    if (XGetWindowProperty(display, DefaultRootWindow(display), record, 0, 4096, remove ? True : False, XA_CARDINAL,
                           &type, &format, &count, &after, &raw) != Success ||
        !raw)
        return pairs;
    if (type == XA_CARDINAL && format == 32) // format 32 travels as long in Xlib
        pairs.assign(reinterpret_cast<const long*>(raw), reinterpret_cast<const long*>(raw) + count);
    XFree(raw);
    return pairs;
}

// Empties each keycode of a dead instance's record that still carries exactly the recorded keysyms (a keycode of
// several levels is recorded once for each), and deletes the record.
void takeBack(Display* display, Atom record, std::vector<int>& emptied)
{
    const std::vector<long> pairs = readRecord(display, record, true);
    std::map<int, std::vector<unsigned long>> recorded;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
        recorded[static_cast<int>(pairs[i])].push_back(static_cast<unsigned long>(pairs[i + 1]));
    for (const auto& [kc, keysyms] : recorded) {
        LevelSyms levels{};
        if (kc < 8 || kc > 255 || keysyms.size() > levels.size() || keysyms.front() == NoSymbol)
            continue;
        std::copy(keysyms.begin(), keysyms.end(), levels.begin());
        int perKeycode = 0;
        KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(kc), 1, &perKeycode);
        const bool exactlyOurs = rowCarriesExactly(syms, perKeycode, levels);
        if (syms)
            XFree(syms);
        // Anything else there means another program has put its own keys on the keycode since: it stays as it is.
        if (!exactlyOurs)
            continue;
        InstanceRecord::giveBack(display, kc, {});
        emptied.push_back(kc);
    }
}

} // namespace

void InstanceRecord::giveBack(XDisplay* display, int keycode, const std::vector<unsigned long>& prior)
{
    // The key type that a binding of four levels set explicitly on a keycode that was empty would outlive the core
    // mapping written below. (A key of the map keeps the type its layout gave it.)
    const bool empty = std::all_of(prior.begin(), prior.end(), [](unsigned long s) { return s == NoSymbol; });
    XkbDescPtr desc = empty ? XkbGetMap(display, XkbExplicitComponentsMask, XkbUseCoreKbd) : nullptr;
    if (desc) {
        unsigned char* explicitly = desc->server ? desc->server->c_explicit : nullptr;
        if (explicitly && keycode >= desc->min_key_code && keycode <= desc->max_key_code &&
            (explicitly[keycode] & XkbExplicitKeyTypesMask) != 0) {
            explicitly[keycode] &= static_cast<unsigned char>(~XkbExplicitKeyTypesMask);
            XkbMapChangesRec changes{};
            changes.changed = XkbExplicitComponentsMask;
            changes.first_key_explicit = static_cast<KeyCode>(keycode);
            changes.num_key_explicit = 1;
            XkbChangeMap(display, desc, &changes);
        }
        XkbFreeKeyboard(desc, 0, True);
    }
    std::vector<KeySym> keysyms(prior.begin(), prior.end());
    if (keysyms.empty())
        keysyms.push_back(NoSymbol);
    XChangeKeyboardMapping(display, keycode, static_cast<int>(keysyms.size()), keysyms.data(), 1);
}

std::vector<int> InstanceRecord::claim(XDisplay* display)
{
    std::vector<int> emptied;
    if (!display || !name_.empty())
        return emptied;
    std::vector<std::string> names;
    for (int n = 0; n < kCount; ++n) {
        names.push_back(recordName(n));
        names.push_back(instanceSelection(n));
    }
    std::vector<char*> pointers;
    for (std::string& name : names)
        pointers.push_back(name.data());
    std::vector<Atom> atoms(names.size());
    if (!XInternAtoms(display, pointers.data(), static_cast<int>(pointers.size()), False, atoms.data()))
        return emptied;
    atoms_.assign(atoms.begin(), atoms.end());
    const Window root = DefaultRootWindow(display);
    const Window owner =
        XCreateWindow(display, root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0, nullptr);
    // Under a server grab, so that two instances starting together neither take one record nor empty each other's
    // keycodes.
    XGrabServer(display);
    for (int n = 0; n < kCount; ++n) {
        const Atom selection = atoms[2 * n + 1];
        if (XGetSelectionOwner(display, selection) != None)
            continue; // a living instance's
        takeBack(display, atoms[2 * n], emptied);
        if (name_.empty()) {
            XSetSelectionOwner(display, selection, owner, CurrentTime);
            name_ = names[2 * n];
            selection_ = selection;
            owner_ = owner;
        }
    }
    XUngrabServer(display);
    XSync(display, False);
    if (name_.empty())
        XDestroyWindow(display, owner);
    return emptied;
}

void InstanceRecord::write(XDisplay* display, const std::vector<std::pair<int, unsigned long>>& bound) const
{
    if (name_.empty())
        return;
    const Window root = DefaultRootWindow(display);
    const Atom atom = XInternAtom(display, name_.c_str(), False); // Xlib caches it: one round trip per connection
    if (bound.empty()) {
        XDeleteProperty(display, root, atom);
        return;
    }
    std::vector<long> data; // format 32 travels as long in Xlib
    for (const auto& [kc, sym] : bound) {
        data.push_back(kc);
        data.push_back(static_cast<long>(sym));
    }
    XChangeProperty(display, root, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

std::vector<int> InstanceRecord::namedByOthers(XDisplay* display) const
{
    std::vector<int> named;
    if (!display || atoms_.size() != 2 * kCount)
        return named;
    int count = 0;
    Atom* present = XListProperties(display, DefaultRootWindow(display), &count);
    for (int n = 0; present && n < kCount; ++n) {
        const Atom record = atoms_[static_cast<std::size_t>(2 * n)];
        if (recordName(n) == name_ || std::find(present, present + count, record) == present + count ||
            XGetSelectionOwner(display, atoms_[static_cast<std::size_t>(2 * n + 1)]) == None)
            continue; // ours, none, or a dead instance's (the next start or the guardian takes that back)
        const std::vector<long> pairs = readRecord(display, record, false);
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
            named.push_back(static_cast<int>(pairs[i]));
    }
    if (present)
        XFree(present);
    return named;
}

void InstanceRecord::release(XDisplay* display)
{
    // The window is only touched while it still owns the selection (under a grab, so that nobody takes the record in
    // between), which proves that it exists.
    if (!display || owner_ == 0)
        return;
    XGrabServer(display);
    if (XGetSelectionOwner(display, selection_) == owner_) {
        XSetSelectionOwner(display, selection_, None, CurrentTime);
        XDestroyWindow(display, owner_);
    }
    XUngrabServer(display);
    XSync(display, False);
    owner_ = 0;
}

bool InstanceRecord::anyAlive(XDisplay* display)
{
    std::vector<std::string> names;
    for (int n = 0; n < kCount; ++n)
        names.push_back(instanceSelection(n));
    std::vector<char*> pointers;
    for (std::string& name : names)
        pointers.push_back(name.data());
    // One round trip for all the names, at every start; an atom that was never made was never owned.
    std::vector<Atom> selections(names.size(), None);
    XInternAtoms(display, pointers.data(), kCount, True, selections.data());
    return std::any_of(selections.begin(), selections.end(), [&](Atom selection) {
        return selection != None && XGetSelectionOwner(display, selection) != None;
    });
}

} // namespace platform::x11
