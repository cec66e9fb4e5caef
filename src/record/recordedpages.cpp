#include "recordedpages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace record {

namespace {

using Event = platform::InputEvent;
using Type = platform::InputEvent::Type;

// One thing the user did, with the pages it becomes. Times in the events' milliseconds.
struct Action {
    enum class Kind { Click, Key, Text, Move } kind = Kind::Click;
    long long start = 0;
    std::optional<long long> end; // none while a button or key is still held
    bool left = true;
    int x = 0;
    int y = 0;
    int vk = 0;
    int mask = 0;
    QString text;
    std::vector<long long> typedAt; // each character's press
};

Action actionAt(Action::Kind kind, long long start, std::optional<long long> end = std::nullopt)
{
    Action action;
    action.kind = kind;
    action.start = start;
    action.end = end;
    return action;
}

struct Sample {
    int x;
    int y;
    long long time;
};

bool typesCharacters(const std::u16string& text)
{
    return !text.empty() &&
           std::none_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x20 || unit == 0x7f; });
}

// The stored mask of the modifiers held, from the modifier keys down.
int maskOf(const std::map<int, bool>& down)
{
    int mask = 0;
    for (const auto& [code, held] : down) {
        if (held)
            mask |= vk::modifierOf(code);
    }
    return mask;
}

double distanceToLine(const Sample& p, const Sample& a, const Sample& b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return std::hypot(p.x - a.x, p.y - a.y);
    return std::abs(dy * (p.x - a.x) - dx * (p.y - a.y)) / length;
}

// Ramer–Douglas–Peucker, but the farthest point first across the whole path, so that a cap on the segments keeps the
// points that matter most.
std::vector<Sample> simplify(const std::vector<Sample>& path, const Options& options)
{
    std::vector<std::size_t> kept{0, path.size() - 1};
    while (static_cast<int>(kept.size()) - 1 < std::max(1, options.maxMoveSegments)) {
        double farthest = options.moveTolerance;
        std::size_t at = 0;
        for (std::size_t s = 0; s + 1 < kept.size(); ++s) {
            for (std::size_t i = kept[s] + 1; i < kept[s + 1]; ++i) {
                const double d = distanceToLine(path[i], path[kept[s]], path[kept[s + 1]]);
                if (d > farthest) {
                    farthest = d;
                    at = i;
                }
            }
        }
        if (at == 0)
            break;
        kept.insert(std::upper_bound(kept.begin(), kept.end(), at), at);
    }
    std::vector<Sample> points;
    for (std::size_t i : kept)
        points.push_back(path[i]);
    return points;
}

void addPath(std::vector<Action>& actions, std::vector<Sample>& path, const Options& options)
{
    if (path.empty())
        return;
    if (path.size() == 1)
        path.push_back(path.front());
    const std::vector<Sample> points = simplify(path, options);
    for (std::size_t i = 1; i < points.size(); ++i) {
        Action move = actionAt(Action::Kind::Move, points[i - 1].time, points[i].time);
        move.x = points[i].x;
        move.y = points[i].y;
        actions.push_back(move);
    }
    path.clear();
}

std::vector<Action> actionsOf(const std::vector<Event>& events, const Options& options)
{
    std::vector<Action> actions;
    std::map<int, bool> modifiers;
    std::map<int, std::size_t> keysDown; // main key -> its action
    std::optional<std::size_t> buttonDown[2];
    std::optional<std::size_t> typing;
    std::vector<Sample> path;
    const long long pause = std::llround(options.pauseSeconds * 1000);
    auto beginAction = [&](const Action& action) {
        typing.reset();
        addPath(actions, path, options);
        actions.push_back(action);
        return actions.size() - 1;
    };
    for (const Event& event : events) {
        switch (event.type) {
        case Type::Motion:
            if (!options.moves)
                break;
            if (!path.empty() && event.time - path.back().time > pause)
                addPath(actions, path, options);
            path.push_back({event.x, event.y, event.time});
            break;
        case Type::ButtonDown: {
            auto& down = buttonDown[event.button == platform::MouseButton::Left ? 0 : 1];
            if (down)
                break;
            Action click = actionAt(Action::Kind::Click, event.time);
            click.left = event.button == platform::MouseButton::Left;
            click.x = event.x;
            click.y = event.y;
            down = beginAction(click);
            break;
        }
        case Type::ButtonUp:
            if (auto& down = buttonDown[event.button == platform::MouseButton::Left ? 0 : 1]) {
                actions[*down].end = event.time;
                down.reset();
            }
            break;
        case Type::KeyDown: {
            if (vk::isModifierKey(event.vk)) {
                modifiers[event.vk] = true;
                break;
            }
            if (keysDown.count(event.vk) != 0) // a held key's repeat
                break;
            const int mask = maskOf(modifiers);
            if (options.stop.key != 0 && event.vk == options.stop.key && mask == options.stop.storedMask)
                return actions;
            if (typesCharacters(event.text) && (mask & ~vk::ModShift) == 0) {
                if (!typing || event.time - actions[*typing].typedAt.back() > pause) {
                    typing = beginAction(actionAt(Action::Kind::Text, event.time, event.time));
                }
                Action& text = actions[*typing];
                text.text += QString::fromStdU16String(event.text);
                text.typedAt.push_back(event.time);
                keysDown[event.vk] = *typing;
                break;
            }
            Action key = actionAt(Action::Kind::Key, event.time);
            key.vk = event.vk;
            key.mask = mask;
            keysDown[event.vk] = beginAction(key);
            break;
        }
        case Type::KeyUp: {
            modifiers[event.vk] = false;
            const auto it = keysDown.find(event.vk);
            if (it == keysDown.end())
                break;
            Action& action = actions[it->second];
            action.end = std::max(action.end.value_or(event.time), event.time);
            keysDown.erase(it);
            break;
        }
        }
    }
    addPath(actions, path, options);
    return actions;
}

QString centiseconds(long long value)
{
    return model::secondsText(static_cast<double>(value) / 100.0);
}

long long roundedCs(long long ms)
{
    return (ms + (ms >= 0 ? 5 : -5)) / 10;
}

} // namespace

Pages makePages(const std::vector<platform::InputEvent>& events, const Options& options)
{
    std::vector<Action> actions = actionsOf(events, options);
    // Unfinished: a key or a button still down as the recording ended. A text keeps what was typed.
    std::erase_if(actions, [](const Action& a) { return !a.end && a.kind != Action::Kind::Text; });
    std::stable_sort(actions.begin(), actions.end(),
                     [](const Action& a, const Action& b) { return a.start < b.start; });
    Pages pages;
    if (actions.empty())
        return pages;

    // Idle times beyond the cap are cut out of every later time.
    const long long cap = std::llround(options.idleCapSeconds * 1000);
    long long busyUntil = actions.front().start;
    long long cut = 0;
    for (Action& action : actions) {
        const long long idle = action.start - busyUntil;
        if (cap > 0 && idle > cap)
            cut += idle - cap;
        busyUntil = std::max(busyUntil, action.end.value_or(action.start));
        action.start -= cut;
        if (action.end)
            *action.end -= cut;
        for (long long& t : action.typedAt)
            t -= cut;
    }

    const long long origin = actions.front().start;
    auto at = [origin](long long t) { return roundedCs(t - origin); };
    auto heldCs = [](const Action& a) { return std::max<long long>(1, roundedCs(*a.end - a.start)); };
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const Action& a = actions[i];
        switch (a.kind) {
        case Action::Kind::Click:
            pages.commands.append({model::kind::Pointer, model::coordinateText(a.x), model::coordinateText(a.y)});
            pages.conditions.append({model::kind::Immediate});
            pages.commands.append(
                {model::kind::Click, a.left ? model::LeftButton : model::RightButton, centiseconds(heldCs(a))});
            break;
        case Action::Kind::Key:
            pages.commands.append({model::kind::Key, keys::keyCombinationText(a.vk, a.mask), centiseconds(heldCs(a))});
            break;
        case Action::Kind::Text: {
            // Replay types character k at k/n of the page's time: n times the mean interval puts each where it was.
            const auto n = static_cast<long long>(a.typedAt.size());
            const long long span = a.typedAt.back() - a.typedAt.front();
            const long long seconds = n > 1 ? roundedCs(span * n / (n - 1)) : heldCs(a);
            pages.commands.append({model::kind::Input, a.text, centiseconds(std::max<long long>(1, seconds))});
            break;
        }
        case Action::Kind::Move:
            pages.commands.append({model::kind::SmoothMove, model::coordinateText(a.x), model::coordinateText(a.y),
                                   centiseconds(at(*a.end) - at(a.start))});
            break;
        }
        // The last action waits for its own end, so that pages after it in a project begin when it is over.
        const long long wait = i + 1 < actions.size() ? std::max<long long>(0, at(actions[i + 1].start) - at(a.start))
                                                      : roundedCs(a.end.value_or(a.start) - a.start);
        pages.conditions.append(wait == 0 ? model::Entry{model::kind::Immediate}
                                          : model::Entry{model::kind::Time, centiseconds(wait)});
    }
    return pages;
}

} // namespace record
