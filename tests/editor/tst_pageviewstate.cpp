// The editor's decisions without a window: what a page shows, what "追加" and the parameter controls write, what a
// click in the page list means, and the undo history.

#include "editor/entryedits.h"
#include "editor/pageviewstate.h"
#include "editor/projecthistory.h"

#include <QTest>

using editor::CaptureTarget;
using model::Entry;

Q_DECLARE_METATYPE(CaptureTarget)

namespace {

// The shown controls and the page controls of a view state, by short names, in field order.
QStringList shownParts(const editor::PageViewState& v)
{
    const std::pair<bool, const char*> parts[] = {
        {v.clickButton, "click"},  {v.inputText, "text"},        {v.commandSeconds, "seconds"},
        {v.commandKey, "key"},     {v.pointerPosition, "xy"},    {v.smoothPosition, "smoothXy"},
        {v.testMove, "test"},      {v.conditionSeconds, "wait"}, {v.conditionKey, "waitKey"},
        {v.navigation, "nav"},     {v.previousPage, "←"},        {v.deletePage, "削除"},
        {v.pastePage, "ペースト"}, {v.addButtons, "追加"},       {!v.pageControlsEnabled, "locked"}};
    QStringList names;
    for (const auto& [on, name] : parts) {
        if (on)
            names << QString::fromUtf8(name);
    }
    return names;
}

} // namespace

class tst_PageViewState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A page waiting for a key combination or a text cannot be left; a key entry without a combination keeps "追加"
    // while no capture runs, so that the page is never a dead end; a capture locks every page control.
    void viewState_data()
    {
        QTest::addColumn<Entry>("command");
        QTest::addColumn<Entry>("condition");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("hasCopy");
        QTest::addColumn<CaptureTarget>("capture");
        QTest::addColumn<bool>("typing");
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QString>("keyText");
        const auto none = CaptureTarget::None;
        QTest::newRow("key set") << Entry{"キー", "65,2", "0.01"} << Entry{"即時"} << 1 << false << none << false
                                 << QStringList{"seconds", "key", "nav", "追加"} << "Ctrl+A";
        QTest::newRow("key without combination") << Entry{"キー", "", "0.01"} << Entry{"即時"} << 1 << false << none
                                                 << false << QStringList{"seconds", "key", "追加"} << "なし";
        QTest::newRow("key being captured")
            << Entry{"キー", "", "0.01"} << Entry{"即時"} << 2 << true << CaptureTarget::Command << false
            << QStringList{"key", "locked"} << editor::CapturePrompt;
        QTest::newRow("input empty") << Entry{"入力", "", "3"} << Entry{"即時"} << 1 << false << none << false
                                     << QStringList{"text", "seconds"} << "";
        QTest::newRow("key condition empty")
            << Entry{"クリック", "左", "0.01"} << Entry{"キー", ""} << 1 << false << none << false
            << QStringList{"click", "seconds", "waitKey", "追加"} << "";
        QTest::newRow("key condition decides over text")
            << Entry{"入力", "", "3"} << Entry{"キー", "65,3"} << 1 << false << none << false
            << QStringList{"text", "seconds", "waitKey", "nav", "追加"} << "";
        QTest::newRow("typing: emptied text holds the page over a key condition")
            << Entry{"入力", "", "3"} << Entry{"キー", "65,3"} << 1 << false << none << true
            << QStringList{"text", "seconds", "waitKey"} << "";
        QTest::newRow("typing: text frees the page over an empty key condition")
            << Entry{"入力", "a", "3"} << Entry{"キー", ""} << 1 << false << none << true
            << QStringList{"text", "seconds", "waitKey", "nav", "追加"} << "";
        QTest::newRow("condition being captured")
            << Entry{"入力", "x", "3"} << Entry{"キー", ""} << 1 << false << CaptureTarget::Condition << false
            << QStringList{"text", "seconds", "waitKey", "locked"} << "";
        QTest::newRow("smooth move, page 2 of 3, copied")
            << Entry{"スムーズムーブ", "1", "2", "3"} << Entry{"時間", "1"} << 2 << true << none << false
            << QStringList{"seconds", "smoothXy", "test", "wait", "nav", "←", "削除", "ペースト", "追加"} << "";
        QTest::newRow("pointer, last page")
            << Entry{"マウスポインター", "1", "2"} << Entry{"時間", "1"} << 3 << false << none << false
            << QStringList{"xy", "test", "wait", "nav", "←", "削除", "追加"} << "";
        QTest::newRow("unknown kinds") << Entry{"謎", "1"} << Entry{"不明", "1"} << 1 << false << none << false
                                       << QStringList{"nav", "追加"} << "";
    }
    void viewState()
    {
        QFETCH(Entry, command);
        QFETCH(Entry, condition);
        QFETCH(int, page);
        QFETCH(QString, keyText);
        QFETCH(CaptureTarget, capture);
        editor::PageContext context;
        context.command = command;
        context.condition = condition;
        context.page = page;
        context.pageCount = page == 1 ? 1 : 3;
        QFETCH(bool, hasCopy);
        context.hasCopy = hasCopy;
        context.capture = capture;
        QFETCH(bool, typing);
        context.typing = typing;
        const editor::PageViewState view = editor::pageViewState(context);
        QTEST(shownParts(view), "parts");
        const bool knownCommand = model::commandKinds().contains(command.at(0));
        QCOMPARE(view.commandTitle, knownCommand ? command.at(0) : QString());
        QCOMPARE(view.commandGroupEnabled, capture != CaptureTarget::Command);
        QCOMPARE(view.conditionGroupEnabled, capture != CaptureTarget::Condition);
        if (!keyText.isEmpty())
            QCOMPARE(view.commandKeyText, keyText);
        if (capture == CaptureTarget::Condition)
            QCOMPARE(view.conditionKeyText, editor::CapturePrompt);
    }

    void desktopAbilities_data()
    {
        QTest::addColumn<bool>("synthesize");
        QTest::addColumn<bool>("hotKey");
        QTest::addColumn<CaptureTarget>("capture");
        QTest::addColumn<QString>("enabled"); // 実行, テスト, 取得
        QTest::newRow("all") << true << true << CaptureTarget::None << "RTG";
        QTest::newRow("no synthesis") << false << true << CaptureTarget::None << "--G";
        QTest::newRow("no hot key") << true << false << CaptureTarget::None << "RT-";
        QTest::newRow("capturing") << true << true << CaptureTarget::Command << "-TG";
    }
    void desktopAbilities()
    {
        QFETCH(bool, synthesize);
        QFETCH(bool, hotKey);
        editor::PageContext context;
        context.command = Entry{"マウスポインター", "0", "0"};
        context.condition = Entry{"即時"};
        context.canSynthesize = synthesize;
        context.canRegisterHotKey = hotKey;
        QFETCH(CaptureTarget, capture);
        context.capture = capture;
        const editor::PageViewState view = editor::pageViewState(context);
        const QString enabled = QString(view.runEnabled ? u'R' : u'-') + (view.testMoveEnabled ? u'T' : u'-') +
                                (view.getPositionEnabled ? u'G' : u'-');
        QTEST(enabled, "enabled");
    }

    void pageRows()
    {
        const QStringList kinds{"なし", "クリック", "入力"};
        QCOMPARE(editor::pageRows(kinds.mid(0, 1), 1), (QStringList{"+", "1.なし", "+"}));
        QCOMPARE(editor::pageRows(kinds, 2), (QStringList{"1.なし", "+", "2.クリック", "+", "3.入力"}));
        QCOMPARE(editor::pageRows(kinds, 3), (QStringList{"1.なし", "2.クリック", "+", "3.入力", "+"}));
    }

    // Rows as shown on page 2 of 3: 1.なし, +, 2.クリック, +, 3.入力.
    void pageListClick_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("page");
        using A = editor::PageListClick::Action;
        QTest::newRow("upper +") << "+" << 1 << int(A::InsertBefore) << 2;
        QTest::newRow("lower +") << "+" << 3 << int(A::InsertAfter) << 3;
        QTest::newRow("page row") << "3.入力" << 4 << int(A::Show) << 3;
        QTest::newRow("no such page") << "4.入力" << 4 << int(A::Ignore) << 0;
    }
    void pageListClick()
    {
        QFETCH(QString, text);
        QFETCH(int, row);
        const editor::PageListClick click = editor::pageListClick(text, row, 2, 3);
        QTEST(int(click.action), "action");
        QTEST(click.page, "page");
    }

    // "追加" writes the kind's defaults; a slow operation stretches a time condition, never another kind.
    void addCommand_data()
    {
        QTest::addColumn<Entry>("condition");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Entry>("command");
        QTest::addColumn<Entry>("stretched");
        QTest::newRow("click") << Entry{"時間", "5"} << "クリック" << Entry{"クリック", "左", "0.01"}
                               << Entry{"時間", "5"};
        QTest::newRow("smooth move") << Entry{"時間", "5"} << "スムーズムーブ" << Entry{"スムーズムーブ", "0", "0", "1"}
                                     << Entry{"時間", "1.1"};
        QTest::newRow("smooth move, immediate")
            << Entry{"即時"} << "スムーズムーブ" << Entry{"スムーズムーブ", "0", "0", "1"} << Entry{"即時"};
        QTest::newRow("input") << Entry{"時間", "5"} << "入力" << Entry{"入力", "", "3"} << Entry{"時間", "3.1"};
    }
    void addCommand()
    {
        QFETCH(Entry, condition);
        QFETCH(QString, kind);
        Entry command{"マウスポインター", "1", "2"};
        editor::addCommand(command, condition, kind);
        QTEST(command, "command");
        QTEST(condition, "stretched");
    }

    // Only the fields of the page's kinds are written, each where its kind keeps it.
    void applyEditorValues_data()
    {
        QTest::addColumn<Entry>("command");
        QTest::addColumn<Entry>("condition");
        QTest::addColumn<Entry>("newCommand");
        QTest::addColumn<Entry>("newCondition");
        QTest::newRow("click") << Entry{"クリック", "左", "2"} << Entry{"即時"} << Entry{"クリック", "右", "0.5"}
                               << Entry{"即時"};
        QTest::newRow("pointer") << Entry{"マウスポインター", "0", "0"} << Entry{"時間", "1"}
                                 << Entry{"マウスポインター", "-5", "6"} << Entry{"時間", "12.5"};
        QTest::newRow("smooth move") << Entry{"スムーズムーブ", "0", "0", "1"} << Entry{"キー", "65,2"}
                                     << Entry{"スムーズムーブ", "7", "8", "0.5"} << Entry{"キー", "65,2"};
        QTest::newRow("key") << Entry{"キー", "65,2", "0.01"} << Entry{"即時"} << Entry{"キー", "65,2", "0.5"}
                             << Entry{"即時"};
        QTest::newRow("input") << Entry{"入力", "", "3"} << Entry{"即時"} << Entry{"入力", "a\n<b>", "0.5"}
                               << Entry{"即時"};
        QTest::newRow("unknown") << Entry{"謎", "1"} << Entry{"不明"} << Entry{"謎", "1"} << Entry{"不明"};
    }
    void applyEditorValues()
    {
        QFETCH(Entry, command);
        QFETCH(Entry, condition);
        editor::EditorValues values{"a\n<b>", "右", -5, 6, 7, 8, 0.5, 12.5};
        editor::applyEditorValues(command, condition, values);
        QTEST(command, "newCommand");
        QTEST(condition, "newCondition");
    }

    // 取得: a pointer page gets exactly three elements, a smooth move keeps its travel time.
    void storeCapturedPosition()
    {
        Entry pointer{"マウスポインター", "1", "2", "junk"};
        editor::storeCapturedPosition(pointer, -15, 1080);
        QCOMPARE(pointer, (Entry{"マウスポインター", "-15", "1080"}));
        Entry smooth{"スムーズムーブ", "0", "0", "2.5"};
        editor::storeCapturedPosition(smooth, 3, 4);
        QCOMPARE(smooth, (Entry{"スムーズムーブ", "3", "4", "2.5"}));
    }

    void blankPage()
    {
        QVERIFY(editor::isBlankPage({"なし"}, model::freshCondition()));
        QVERIFY(!editor::isBlankPage({"なし"}, {"時間", "0.2"}));
        QVERIFY(!editor::isBlankPage({"クリック", "左", "0.01"}, model::freshCondition()));
    }

    // The undo history: merged keystrokes, the page a step comes back with, redo given up by a new change.
    void historyStepsMergeAndBranch()
    {
        const auto state = [](const QString& text, int page) {
            return editor::ProjectSnapshot{{{"入力", text, "1"}}, {{"即時"}}, page};
        };
        const auto text = [](const std::optional<editor::ProjectSnapshot>& s) { return s->commands.at(0).at(1); };
        editor::ProjectHistory history;
        history.reset(state("", 1));
        history.record(state("", 3)); // only the page moved: no step
        history.record(state("a", 3), "text/1");
        history.record(state("ab", 3), "text/1");
        history.record(state("ab", 2));
        history.record(state("abc", 2), "text/1"); // another page was shown between: a step of its own
        QCOMPARE(text(history.undo()), QStringLiteral("ab"));
        const auto first = history.undo();
        QCOMPARE(text(first), QString());
        QCOMPARE(first->page, 3);
        QVERIFY(!history.undo());
        QCOMPARE(history.redo()->page, 2);
        history.record(state("x", 2), "text/1");
        QVERIFY(!history.redo());
        QCOMPARE(text(history.undo()), QStringLiteral("ab"));
    }
};

QTEST_GUILESS_MAIN(tst_PageViewState)
#include "tst_pageviewstate.moc"
