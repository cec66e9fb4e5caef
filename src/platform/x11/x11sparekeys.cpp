#include "x11sparekeys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace platform::x11 {

namespace {

bool bind(Display* display, int keycode, unsigned long keysym)
{
    // Both levels carry the keysym: with one, the server would make a two-level key out of a letter and Shift or
    // CapsLock would change the case.
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, keycode, 2, syms, 1);
    XSync(display, False);
    return takeLastXError() == 0;
}

} // namespace

SpareKeys::~SpareKeys()
{
    stopRestorer();
}

void SpareKeys::adopt(const std::vector<int>& keycodes)
{
    std::lock_guard state(state_);
    if (adopted_)
        return;
    adopted_ = true;
    for (int kc : keycodes) {
        if (kc >= 8 && kc <= 255)
            slots_.push_back(Slot{kc, 0, false, false, {}});
    }
}

void SpareKeys::setPacing(const Pacing& pacing)
{
    std::lock_guard state(state_);
    pacing_ = pacing;
}

std::vector<KeyboardMap::OwnedKey> SpareKeys::keycodes() const
{
    std::lock_guard state(state_);
    std::vector<KeyboardMap::OwnedKey> result;
    for (const Slot& s : slots_)
        result.push_back({s.keycode, s.keysym, s.reserved});
    return result;
}

void SpareKeys::retire(const std::vector<int>& keycodes)
{
    if (keycodes.empty())
        return;
    std::lock_guard state(state_);
    std::erase_if(slots_, [&](const Slot& s) {
        return !s.reserved && std::find(keycodes.begin(), keycodes.end(), s.keycode) != keycodes.end();
    });
}

bool SpareKeys::owns(int keycode) const
{
    std::lock_guard state(state_);
    return std::any_of(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == keycode; });
}

int SpareKeys::acquire(XDisplay* display, unsigned long keysym, bool pin)
{
    if (!display || keysym == 0)
        return 0;
    std::unique_lock state(state_);
    for (Slot& s : slots_) {
        if (s.keysym == keysym) {
            s.pinned = s.pinned || pin;
            lastActivity_ = Clock::now();
            return s.keycode;
        }
    }
    Slot* victim = nullptr;
    for (Slot& s : slots_) {
        if (!s.pinned && !s.reserved && (!victim || s.lastUsed < victim->lastUsed))
            victim = &s;
    }
    if (!victim)
        return 0;
    const int keycode = victim->keycode;
    const Clock::time_point ready = std::max(victim->lastUsed + pacing_.keycodeRest, lastRebind_ + pacing_.rebindGap);
    // Nobody else rebinds while the caller holds the typing lock, and the victim stays unpinned, so the choice holds
    // across the wait.
    victim->reserved = true;
    state.unlock();
    std::this_thread::sleep_until(ready);
    const bool ok = bind(display, keycode, keysym);
    state.lock();
    auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == keycode; });
    if (it == slots_.end())
        return 0;
    it->reserved = false;
    it->pinned = ok && pin;
    it->keysym = ok ? keysym : 0;
    it->lastUsed = Clock::now();
    lastRebind_ = it->lastUsed;
    lastActivity_ = it->lastUsed;
    if (!restorer_.joinable() && !stopping_)
        restorer_ = std::thread([this] { restorerLoop(); });
    wake_.notify_all();
    return ok ? keycode : 0;
}

int SpareKeys::unpin(unsigned long keysym)
{
    std::lock_guard state(state_);
    for (Slot& s : slots_) {
        if (s.keysym == keysym && s.pinned) {
            s.pinned = false;
            s.lastUsed = Clock::now();
            lastActivity_ = s.lastUsed;
            wake_.notify_all();
            return s.keycode;
        }
    }
    return 0;
}

std::vector<int> SpareKeys::pinned(unsigned long keysym) const
{
    std::lock_guard state(state_);
    std::vector<int> result;
    for (const Slot& s : slots_) {
        if (s.pinned && s.keysym == keysym && keysym != 0)
            result.push_back(s.keycode);
    }
    return result;
}

unsigned long SpareKeys::boundKeysym(int keycode) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (s.keycode == keycode)
            return s.keysym;
    }
    return 0;
}

void SpareKeys::touched(int keycode)
{
    std::lock_guard state(state_);
    for (Slot& s : slots_) {
        if (s.keycode == keycode)
            s.lastUsed = Clock::now();
    }
    lastActivity_ = Clock::now();
}

void SpareKeys::restorerLoop()
{
    std::unique_lock state(state_);
    while (!stopping_) {
        const bool bound =
            std::any_of(slots_.begin(), slots_.end(), [](const Slot& s) { return s.keysym != 0 && !s.pinned; });
        if (!bound) {
            wake_.wait(state);
            continue;
        }
        const Clock::time_point due = lastActivity_ + pacing_.idleRestore;
        if (Clock::now() < due) {
            wake_.wait_until(state, due);
            continue;
        }
        state.unlock();
        {
            std::lock_guard typing(typing_);
            restoreIdle(threadDisplay());
        }
        state.lock();
    }
}

void SpareKeys::restoreIdle(XDisplay* display)
{
    if (!display)
        return;
    std::vector<int> unbind;
    {
        std::lock_guard state(state_);
        if (Clock::now() < lastActivity_ + pacing_.idleRestore)
            return; // typing went on while we waited for the lock
        for (Slot& s : slots_) {
            if (s.keysym != 0 && !s.pinned && !s.reserved) {
                s.keysym = 0;
                s.reserved = true; // until the server has it too
                unbind.push_back(s.keycode);
            }
        }
    }
    for (int kc : unbind)
        bind(display, kc, NoSymbol);
    std::lock_guard state(state_);
    for (Slot& s : slots_) {
        if (std::find(unbind.begin(), unbind.end(), s.keycode) != unbind.end())
            s.reserved = false;
    }
}

void SpareKeys::stopRestorer()
{
    {
        std::lock_guard state(state_);
        stopping_ = true;
        wake_.notify_all();
    }
    if (restorer_.joinable())
        restorer_.join();
}

void SpareKeys::shutdown(XDisplay* display)
{
    stopRestorer();
    std::lock_guard typing(typing_);
    std::vector<Slot> bound;
    {
        std::lock_guard state(state_);
        for (Slot& s : slots_) {
            if (s.keysym != 0)
                bound.push_back(s);
            s.keysym = 0;
            s.pinned = false;
        }
    }
    if (!display)
        return;
    for (const Slot& s : bound) {
        if (s.pinned)
            XTestFakeKeyEvent(display, static_cast<unsigned>(s.keycode), False, CurrentTime);
        bind(display, s.keycode, NoSymbol);
    }
    XSync(display, False);
}

} // namespace platform::x11
