#pragma once

// What the editor shows for the current page, decided from the model alone: which controls show, which are enabled
// and what they say. The window only maps these fields onto its widgets, so every visibility rule lives here once.

#include "model/pagemodel.h"
#include "platform/inputservices.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace editor {

enum class CaptureTarget { None, Command, Condition };

// "単一または複数キーを押してください", translated: what a key capture shows while it waits.
QString capturePrompt();

struct PageContext {
    model::Entry command;
    model::Entry condition;
    int page = 1; // 1-based
    int pageCount = 1;
    bool hasCopy = false;
    CaptureTarget capture = CaptureTarget::None;
    // The text of an input page is being typed: the text alone decides whether the page can be left, whatever the
    // condition waits for, and both "追加" go with the navigation.
    bool typing = false;
    // What the desktop lets the program do (the input backend's answer): synthesise input for 実行 and テスト. 取得
    // always works: without a hot key it takes a click.
    bool canSynthesize = true;
    // The desktop's monitors, to flag a pointer target that lies on none of them; none: unknown, nothing flagged.
    std::vector<platform::ScreenArea> monitors;
    // The stop command of the run settings: a key condition equal to it is flagged.
    QString stopCommand;
};

struct PageViewState {
    // Parameter controls.
    bool clickButton = false;     // the left/right selector
    bool inputText = false;       // the text box
    bool commandSeconds = false;  // the operation's seconds box and its label
    bool commandKey = false;      // the operation's key label
    bool pointerPosition = false; // pointer X/Y with 取得
    bool smoothPosition = false;  // smooth-move X/Y with 取得
    bool testMove = false;        // テスト
    bool conditionSeconds = false;
    bool conditionKey = false;
    // Page controls. A page that waits for a key combination or a text cannot be left, run or copied.
    bool navigation = true; // 実行, →, the page list, コピー and the menu bar
    bool previousPage = false;
    bool deletePage = false;
    bool pastePage = false;
    bool addButtons = true; // both 追加
    // During a capture nothing that could change the page is enabled.
    bool commandGroupEnabled = true;
    bool conditionGroupEnabled = true;
    bool pageControlsEnabled = true;
    bool runEnabled = true;      // 実行
    bool testMoveEnabled = true; // テスト
    bool cancelCapture = false;  // キャンセル, the way out of a key capture that swallows every key
    // Texts; a null text leaves its control as it was.
    QString commandTitle;
    QString conditionTitle;
    QString commandKeyText;
    QString conditionKeyText;
    // Why the pointer target of this page would stop a run (on none of the monitors); empty when it would not.
    QString positionWarning;
    // Why the key condition is flagged (its tooltip); empty when it is not.
    QString conditionKeyWarning;
};

PageViewState pageViewState(const PageContext& context);

// Rows of the page list for the kinds of every page, with "+" rows before and after the current page.
QStringList pageRows(const QStringList& commandKinds, int page);

} // namespace editor
