#include "ledgerrecords.h"

#include <cstring>

namespace platform::guardian {

std::vector<std::uint32_t> encodeRecord(RecordKind kind, int code, const std::vector<unsigned long>& keysyms)
{
    const std::size_t count = keysyms.size() < kMaxKeysyms ? keysyms.size() : kMaxKeysyms;
    std::vector<std::uint32_t> words;
    words.reserve(2 + count);
    words.push_back(static_cast<std::uint32_t>(kind) << 24 | static_cast<std::uint32_t>(count));
    words.push_back(static_cast<std::uint32_t>(code));
    for (std::size_t i = 0; i < count; ++i)
        words.push_back(static_cast<std::uint32_t>(keysyms[i]));
    return words;
}

void LedgerState::apply(RecordKind kind, int code, const std::vector<unsigned long>& keysyms)
{
    switch (kind) {
    case RecordKind::KeyDown:
        keys.insert(code);
        break;
    case RecordKind::KeyUp:
        keys.erase(code);
        break;
    case RecordKind::ButtonDown:
        buttons.insert(code);
        break;
    case RecordKind::ButtonUp:
        buttons.erase(code);
        break;
    case RecordKind::Rebound:
        // The first report holds the user's own mapping; later ones would name one of ours.
        rebound.emplace(code, keysyms);
        break;
    case RecordKind::Restored:
        rebound.erase(code);
        bound.erase(code);
        break;
    case RecordKind::Bound:
        bound[code] = keysyms;
        break;
    case RecordKind::CapsLock:
        capsLockSuspended = code != 0;
        break;
    case RecordKind::Wayland:
        break; // the connection travels beside the records: the watchdog keeps it
    case RecordKind::Goodbye:
        goodbye = true;
        break;
    case RecordKind::Reset:
        *this = LedgerState{};
        break;
    }
}

std::vector<std::vector<std::uint32_t>> LedgerState::snapshot() const
{
    std::vector<std::vector<std::uint32_t>> records{encodeRecord(RecordKind::Reset, 0)};
    for (int key : keys)
        records.push_back(encodeRecord(RecordKind::KeyDown, key));
    for (int button : buttons)
        records.push_back(encodeRecord(RecordKind::ButtonDown, button));
    for (const auto& [keycode, keysyms] : rebound)
        records.push_back(encodeRecord(RecordKind::Rebound, keycode, keysyms));
    for (const auto& [keycode, keysyms] : bound)
        records.push_back(encodeRecord(RecordKind::Bound, keycode, keysyms));
    if (capsLockSuspended)
        records.push_back(encodeRecord(RecordKind::CapsLock, 1));
    return records;
}

bool RecordReader::feed(const void* bytes, std::size_t size)
{
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    pending_.insert(pending_.end(), in, in + size);
    std::size_t at = 0;
    while (pending_.size() - at >= 8) {
        std::uint32_t header = 0;
        std::uint32_t code = 0;
        std::memcpy(&header, pending_.data() + at, 4);
        std::memcpy(&code, pending_.data() + at + 4, 4);
        const std::uint32_t kind = header >> 24;
        const std::size_t count = header & 0xffffffu;
        if (kind < static_cast<std::uint32_t>(RecordKind::KeyDown) ||
            kind > static_cast<std::uint32_t>(RecordKind::Wayland) || count > kMaxKeysyms)
            return false;
        if (pending_.size() - at < 8 + 4 * count)
            break;
        std::vector<unsigned long> keysyms(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t word = 0;
            std::memcpy(&word, pending_.data() + at + 8 + 4 * i, 4);
            keysyms[i] = word;
        }
        state_.apply(static_cast<RecordKind>(kind), static_cast<int>(code), keysyms);
        at += 8 + 4 * count;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

void RecordLedger::change(RecordKind kind, int code, const std::vector<unsigned long>& keysyms)
{
    const std::lock_guard lock(mutex_);
    mirror_.apply(kind, code, keysyms);
    if (closed_)
        return;
    if (stale_)
        stale_ = !resend(false);
    else
        stale_ = !write(encodeRecord(kind, code, keysyms), false);
}

bool RecordLedger::resend(bool final)
{
    for (const auto& record : mirror_.snapshot()) {
        if (!write(record, final))
            return false;
    }
    return true;
}

bool RecordLedger::retry()
{
    const std::lock_guard lock(mutex_);
    if (stale_ && !closed_)
        stale_ = !resend(false);
    return !stale_;
}

bool RecordLedger::pending() const
{
    const std::lock_guard lock(mutex_);
    return stale_ && !closed_;
}

bool RecordLedger::sayGoodbye()
{
    const std::lock_guard lock(mutex_);
    if (closed_ || !mirror_.holdsNothing())
        return false;
    if (stale_ && !resend(true))
        return false;
    closed_ = write(encodeRecord(RecordKind::Goodbye, 0), true);
    return closed_;
}

} // namespace platform::guardian
