#include "actions.h"

#include "heldinputs.h"
#include "platform/inputservices.h"
#include "run/keycombination.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

namespace actions {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// A deadline as a double count of nanoseconds, so that huge durations saturate instead of overflowing.
Clock::time_point deadlineAfter(Clock::time_point from, double seconds)
{
    const double limit = static_cast<double>((Clock::time_point::max() - from).count()) / 2.0;
    const double ns = std::min(seconds * 1e9, limit);
    return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::nano>(ns));
}

int clampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void click(const StopFlag& stop, double holdSeconds, platform::MouseButton button, HeldInputs* held)
{
    auto& input = platform::services();
    input.sendMouseButton(button, true);
    if (held)
        held->buttonPressed(button);
    waitSeconds(stop, holdSeconds);
    input.sendMouseButton(button, false);
    if (held)
        held->buttonReleased(button);
}

} // namespace

void waitSeconds(const StopFlag& stop, double seconds)
{
    if (!(seconds > 0))
        return;
    const auto deadline = deadlineAfter(Clock::now(), seconds);
    constexpr auto step = std::chrono::milliseconds(5);
    auto& input = platform::services();
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        if (stop.load())
            return;
        const auto remaining = deadline - now;
        const auto chunk = remaining > step ? step : std::chrono::duration_cast<std::chrono::milliseconds>(remaining);
        if (chunk.count() <= 0)
            return;
        input.sleepMs(static_cast<int>(chunk.count()));
    }
}

void clickLeft(const StopFlag& stop, double holdSeconds, HeldInputs* held)
{
    click(stop, holdSeconds, platform::MouseButton::Left, held);
}

void clickRight(const StopFlag& stop, double holdSeconds, HeldInputs* held)
{
    click(stop, holdSeconds, platform::MouseButton::Right, held);
}

void movePointer(int x, int y)
{
    platform::services().setCursorPos(x, y);
}

void smoothMove(const StopFlag& stop, int x, int y, double seconds)
{
    auto& input = platform::services();
    // Where the position cannot be read, the move degenerates into a jump rather than starting from a made-up place.
    int sx = x;
    int sy = y;
    input.getCursorPos(sx, sy);
    if (!(seconds > 0)) {
        input.setCursorPos(x, y);
        return;
    }
    // Differences in double: coordinates from a hand-edited file may be far enough apart to overflow an int.
    const double dx = static_cast<double>(x) - sx;
    const double dy = static_cast<double>(y) - sy;
    const auto t0 = Clock::now();
    for (;;) {
        if (stop.load())
            return;
        const double p = Seconds(Clock::now() - t0).count() / seconds;
        if (p >= 1.0)
            break;
        input.setCursorPos(clampToInt(std::llround(sx + dx * p)), clampToInt(std::llround(sy + dy * p)));
        input.sleepMs(5);
    }
    if (!stop.load())
        input.setCursorPos(x, y);
}

void pressKey(const StopFlag& stop, const QString& text, HeldInputs* held)
{
    if (keys::isNoCombination(text))
        return;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return;
    bool ok = false;
    const int key = parts.at(0).toInt(&ok, 10);
    if (!ok || key == 0)
        return;
    int mask = 0;
    if (parts.size() > 1) {
        const int value = parts.at(1).toInt(&ok, 10);
        if (ok)
            mask = value;
    }
    double holdSeconds = 0;
    if (parts.size() > 2) {
        const double value = parts.at(2).toDouble(&ok);
        if (ok && value > 0)
            holdSeconds = value;
    }
    // Truncated toward zero and saturated: a hold beyond a few weeks is as good as endless.
    const long long holdMs = static_cast<long long>(std::min(holdSeconds * 1000.0, 9.0e15));
    if (stop.load())
        return;

    const bool ctrl = mask & keys::StoredCtrl;
    const bool alt = mask & keys::StoredAlt;
    const bool shift = mask & keys::StoredShift;
    const bool win = mask & keys::StoredWin;
    const int mainKey = key & 0xFFFF;

    if (ctrl)
        sendKeyDown(17, held);
    if (alt)
        sendKeyDown(18, held);
    if (shift)
        sendKeyDown(16, held);
    if (win)
        sendKeyDown(91, held);
    sendKeyDown(mainKey, held);

    auto& input = platform::services();
    for (long long elapsed = 0; holdMs != 0 && elapsed < holdMs;) {
        if (stop.load())
            break;
        const long long chunk = std::min<long long>(holdMs - elapsed, 10);
        input.sleepMs(static_cast<int>(chunk));
        elapsed += chunk;
    }

    sendKeyUp(mainKey, held);
    if (win)
        sendKeyUp(91, held);
    if (shift)
        sendKeyUp(16, held);
    if (alt)
        sendKeyUp(18, held);
    if (ctrl)
        sendKeyUp(17, held);
}

void typeText(const StopFlag& stop, const QString& text, double seconds)
{
    if (text.isEmpty() || !(seconds > 0))
        return;
    auto& input = platform::services();
    const qsizetype n = text.size();
    const double per = seconds / static_cast<double>(n);
    const auto t0 = Clock::now();
    for (qsizetype i = 0; i < n; ++i) {
        if (stop.load())
            return;
        const char16_t unit = text.at(i).unicode();
        input.sendUnicodeUnit(unit, true);
        input.sendUnicodeUnit(unit, false);
        const auto due = deadlineAfter(t0, static_cast<double>(i + 1) * per);
        while (Clock::now() < due) {
            if (stop.load())
                return;
            input.sleepMs(1);
        }
    }
}

void sendKeyDown(int vk, HeldInputs* held)
{
    platform::services().sendKey(vk, true);
    if (held)
        held->keyPressed(vk);
}

void sendKeyUp(int vk, HeldInputs* held)
{
    platform::services().sendKey(vk, false);
    if (held)
        held->keyReleased(vk);
}

} // namespace actions
