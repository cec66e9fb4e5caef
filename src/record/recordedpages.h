#pragma once

// The pages a recording becomes: the user's timed input events turned into pages of the kinds a user would have
// entered by hand, so that the result reads like a project and replays with the recording's timing.
//
// - A click: a pointer page to where it was pressed (即時), then a click page with its button and held time.
// - Characters typed in a row with no modifier but Shift: one 入力 page whose time spreads them as they were typed.
// - A key with Ctrl, Alt or Win held, or a key that types no character: a キー page with its hold.
// - Pointer paths only when asked for, each simplified to a few スムーズムーブ pages.
// - The time from one action's start to the next one's: the 時間 condition of the action's last page, in steps of
//   0.01 s counted from the first action, so that rounding never adds up over a long recording.
// - The stop combination and everything after it is left out, and so is an action not finished when the recording
//   ended (the click on the tray icon that stopped it).

#include "model/keycombination.h"
#include "model/pagemodel.h"
#include "platform/inputservices.h"

#include <vector>

namespace record {

struct Options {
    bool moves = false;        // pointer paths become smooth moves
    int maxMoveSegments = 4;   // per path: never hundreds of pages
    double moveTolerance = 4;  // pixels a simplified path may stray from the recorded one
    double idleCapSeconds = 0; // a longer time with nothing going on is shortened to this; 0: kept as it was
    double pauseSeconds = 1;   // a longer pause ends a typed text or a pointer path
    keys::KeyCombination stop; // key 0: none
};

struct Pages {
    model::EntryList commands;
    model::EntryList conditions;
};

// The pages of the events (in the order of the desktop); none when nothing finished was recorded.
Pages makePages(const std::vector<platform::InputEvent>& events, const Options& options);

} // namespace record
