#pragma once

// A readable line per page of a project, for `--check` and for the timing report: kind, parameters and condition as
// the editor names them.

#include "model/pagemodel.h"

#include <QString>

namespace cli {

// "クリック（左、0.005 秒）" and the like; an unknown kind is named with its stored values.
QString describeOperation(const model::Entry& command);
// "時間（0.02 秒）", "即時", "キー（Ctrl+A）".
QString describeCondition(const model::Entry& condition);

} // namespace cli
