#pragma once

// The edits the editor makes to the current page's entries, free of widgets: "追加" with a kind's defaults, the values
// of the parameter controls written back, a captured pointer position, and what a click in the page list means.

#include "model/pagemodel.h"

namespace editor {

// "追加" of an operation: the kind's defaults. A smooth move and typing take time of their own, so a time condition
// is stretched to cover them.
void addCommand(model::Entry& command, model::Entry& condition, const QString& kindName);

// What the parameter controls hold; only the fields of the entries' kinds are written.
struct EditorValues {
    QString inputText;
    QString clickButton;
    int pointerX = 0;
    int pointerY = 0;
    int smoothX = 0;
    int smoothY = 0;
    double commandSeconds = 0;
    double conditionSeconds = 0;
};
void applyEditorValues(model::Entry& command, model::Entry& condition, const EditorValues& values);

// A position taken with 取得: a pointer operation becomes exactly that position; any other operation keeps its kind
// and its later fields (a smooth move its seconds).
void storeCapturedPosition(model::Entry& command, int x, int y);

// A page nothing was done to yet: pasting over it needs no question.
bool isBlankPage(const model::Entry& command, const model::Entry& condition);

// A click on a row of the page list, by its index in the rows pageRows gives for the current page. A "+" row inserts
// only when the user clicked it (deliberate): reached with the arrow keys it is ignored.
struct PageListClick {
    enum class Action { Ignore, Show, InsertBefore, InsertAfter };
    Action action = Action::Ignore;
    int page = 0; // Show: the 1-based page to show
};
PageListClick pageListClick(int row, int currentPage, int pageCount, bool deliberate = true);

} // namespace editor
