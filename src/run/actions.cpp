#include "actions.h"

#include "heldinputs.h"
#include "platform/inputservices.h"
#include "model/keycombination.h"
#include "run/schedule.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <optional>

namespace actions {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Undelivered input counts as a failure only while the run goes on: after a stop, presses are refused on purpose.
bool deliveredOrStopped(bool delivered, const StopFlag& stop)
{
    return delivered || stop.isRequested();
}

bool click(const StopFlag& stop, double holdSeconds, platform::MouseButton button, HeldInputs* held)
{
    if (stop.isRequested())
        return true;
    HeldInputs own;
    HeldInputs& record = held ? *held : own;
    const auto pressedAt = Clock::now();
    const bool pressed = record.pressButton(button);
    if (pressed)
        stop.waitUntil(Schedule::offset(pressedAt, holdSeconds));
    const bool released = record.releaseButton(button);
    return deliveredOrStopped(pressed && released, stop);
}

} // namespace

void waitSeconds(const StopFlag& stop, double seconds)
{
    if (seconds > 0)
        stop.waitUntil(Schedule::offset(Clock::now(), seconds));
}

bool clickLeft(const StopFlag& stop, double holdSeconds, HeldInputs* held)
{
    return click(stop, holdSeconds, platform::MouseButton::Left, held);
}

bool clickRight(const StopFlag& stop, double holdSeconds, HeldInputs* held)
{
    return click(stop, holdSeconds, platform::MouseButton::Right, held);
}

QString offScreenTarget(int x, int y, const std::vector<platform::ScreenArea>& monitors)
{
    if (platform::onSomeMonitor(monitors, x, y))
        return {};
    const platform::ScreenArea extent = platform::extentOf(monitors);
    QString text = QCoreApplication::translate(
                       "run", "マウスポインターの移動先 (%1, %2) はどのモニターの上にもありません（画面の範囲: "
                              "(%3, %4)〜(%5, %6)")
                       .arg(x)
                       .arg(y)
                       .arg(extent.x)
                       .arg(extent.y)
                       .arg(static_cast<long long>(extent.x) + extent.width - 1)
                       .arg(static_cast<long long>(extent.y) + extent.height - 1);
    // Within the extent, the point lies in a gap between monitors: their number tells why it is refused anyway.
    if (monitors.size() > 1)
        text += QCoreApplication::translate("run", "、モニター %1 台").arg(monitors.size());
    return text + QCoreApplication::translate("run", "）。");
}

bool movePointer(int x, int y, QString* refused)
{
    auto& input = platform::services();
    if (const QString why = offScreenTarget(x, y, input.monitors()); !why.isEmpty()) {
        if (refused)
            *refused = why;
        return false;
    }
    return input.setCursorPos(x, y);
}

bool smoothMove(const StopFlag& stop, int x, int y, double seconds, QString* refused)
{
    auto& input = platform::services();
    // The target alone decides: a straight path from one monitor to another may cross a gap between them.
    const std::vector<platform::ScreenArea> monitors = input.monitors();
    if (const QString why = offScreenTarget(x, y, monitors); !why.isEmpty()) {
        if (refused)
            *refused = why;
        return deliveredOrStopped(false, stop);
    }
    // Where the position cannot be read, the move degenerates into a jump rather than starting from a made-up place.
    int sx = x;
    int sy = y;
    input.getCursorPos(sx, sy);
    if (!(seconds > 0))
        return deliveredOrStopped(input.setCursorPos(x, y), stop);
    // Differences in double: coordinates from a hand-edited file may be far enough apart to overflow an int.
    const double dx = static_cast<double>(x) - sx;
    const double dy = static_cast<double>(y) - sy;
    constexpr auto step = std::chrono::milliseconds(5);
    const auto t0 = Clock::now();
    for (Clock::rep k = 1;; ++k) {
        const double p = Seconds(Clock::now() - t0).count() / seconds;
        if (p >= 1.0)
            break;
        const int px = clampToInt(std::llround(sx + dx * p));
        const int py = clampToInt(std::llround(sy + dy * p));
        if (platform::onSomeMonitor(monitors, px, py) && !input.setCursorPos(px, py))
            return stop.isRequested();
        // Steps on a fixed grid from the start, so a late step does not push the later ones back.
        if (stop.waitUntil(std::min(t0 + step * k, Schedule::offset(t0, seconds))))
            return true;
    }
    return deliveredOrStopped(input.setCursorPos(x, y), stop);
}

bool pressKey(const StopFlag& stop, const keys::KeyPress& press, HeldInputs* held)
{
    if (press.key == 0)
        return true;
    const int key = press.key;
    const int mask = press.storedMask;
    const double holdSeconds = press.holdSeconds;
    if (stop.isRequested())
        return true;

    HeldInputs own;
    HeldInputs& record = held ? *held : own;
    // Pressed in this order, released in the reverse one.
    std::vector<int> sequence;
    for (const auto& [bit, code] : {std::pair{vk::ModControl, vk::Control}, std::pair{vk::ModAlt, vk::Alt},
                                    std::pair{vk::ModShift, vk::Shift}, std::pair{vk::ModWin, vk::LeftWin}}) {
        if (mask & bit)
            sequence.push_back(code);
    }
    sequence.push_back(key & 0xFFFF);

    bool delivered = true;
    std::size_t pressed = 0;
    std::optional<Clock::time_point> mainKeyAt;
    for (int vk : sequence) {
        if (vk == sequence.back())
            mainKeyAt = Clock::now();
        const bool sent = record.pressKey(vk);
        ++pressed; // counted in the record even when not delivered, so its release is tried
        if (!sent) {
            delivered = false;
            break;
        }
    }
    if (delivered && mainKeyAt)
        stop.waitUntil(Schedule::offset(*mainKeyAt, holdSeconds));
    for (std::size_t i = pressed; i-- > 0;)
        delivered = record.releaseKey(sequence[i]) && delivered;
    return deliveredOrStopped(delivered, stop);
}

qsizetype typeText(const StopFlag& stop, const QString& text, double seconds)
{
    if (text.isEmpty() || !(seconds > 0))
        return 0;
    const auto start = Clock::now();
    const auto end = Schedule::offset(start, seconds);
    const auto interval = (end - start) / text.size();
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    const auto delivered = static_cast<qsizetype>(platform::services().typeText(units, start, interval, stop));
    if (delivered == text.size())
        stop.waitUntil(end);
    return delivered;
}

} // namespace actions
