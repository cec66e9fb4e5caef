#pragma once

// A project's pages as the run performs them: each stored entry read once, when the run is configured, into a typed
// step, so that nothing reads text while the run goes on. The reading is the stored format's: an entry shorter than
// its kind reads its missing fields as empty text, unreadable numbers as 0, an unknown kind as nothing to do.

#include "model/keycombination.h"
#include "model/pagemodel.h"

#include <QString>

#include <variant>
#include <vector>

namespace steps {

struct Nothing {};
struct Click {
    bool left = true;
    double seconds = 0;
};
struct MovePointer {
    int x = 0;
    int y = 0;
};
struct SmoothMove {
    int x = 0;
    int y = 0;
    double seconds = 0;
};
struct PressKey {
    keys::KeyPress press;
    QString label; // the combination's display text, for a failure
};
struct TypeText {
    QString text;
    double seconds = 0;
};
using Operation = std::variant<Nothing, Click, MovePointer, SmoothMove, PressKey, TypeText>;

// A time condition; also "即時" and every unknown kind, with no seconds.
struct WaitTime {
    double seconds = 0;
};
// A key condition; key 0 (none or unreadable) is met at once.
struct WaitKey {
    keys::KeyCombination combination;
};
using Condition = std::variant<WaitTime, WaitKey>;

struct Page {
    Operation operation;
    Condition condition;
    // The page's own time condition for its timing record: 0 for any other condition.
    double ownSeconds = 0;
};

// One page per operation entry; a missing condition entry reads as an empty one.
std::vector<Page> readPages(const model::EntryList& commands, const model::EntryList& conditions);

} // namespace steps
