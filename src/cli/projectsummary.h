#pragma once

// A readable line per page of a project, for `--check` and for the timing report: kind, parameters and condition as
// the editor names them.

#include "model/pagemodel.h"

#include <QString>

namespace cli {

// "クリック（左、0.005 秒）" and the like; an unknown kind is named with its stored values. Without showText a typed
// text is only counted ("入力（8 文字、2 秒）"): the reports kept after every run must not hold what may be a password.
QString describeOperation(const model::Entry& command, bool showText = true);
// "時間（0.02 秒）", "即時", "キー（Ctrl+A）".
QString describeCondition(const model::Entry& condition);

} // namespace cli
