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

// The shown controls and the page controls of a view state, by short names, in field order; "-" marks a button off.
QStringList shownParts(const editor::PageViewState& v)
{
    const std::pair<bool, const char*> parts[] = {
        {v.clickButton, "click"},  {v.inputText, "text"},        {v.commandSeconds, "seconds"},
        {v.commandKey, "key"},     {v.pointerPosition, "xy"},    {v.smoothPosition, "smoothXy"},
        {v.testMove, "test"},      {v.conditionSeconds, "wait"}, {v.conditionKey, "waitKey"},
        {v.navigation, "nav"},     {v.previousPage, "←"},        {v.deletePage, "削除"},
        {v.pastePage, "ペースト"}, {v.addButtons, "追加"},       {!v.pageControlsEnabled, "locked"},
        {!v.runEnabled, "-実行"},  {!v.testMoveEnabled, "-test"}};
    QStringList names;
    for (const auto& [on, name] : parts) {
        if (on)
            names << QString::fromUtf8(name);
    }
    if (!v.conditionKeyWarning.isEmpty() && v.conditionKeyText.endsWith("（終了コマンド）"))
        names << "stop!"; // the key condition is flagged
    return names;
}

} // namespace

class tst_PageViewState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A page waiting for a key combination or a text cannot be left; a key entry without a combination keeps "追加"
    // while no capture runs, so that the page is never a dead end; a capture locks every page control; 実行, テスト
    // and 取得 follow what the desktop can do.
    void viewState_data()
    {
        QTest::addColumn<Entry>("command");
        QTest::addColumn<Entry>("condition");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("hasCopy");
        QTest::addColumn<CaptureTarget>("capture");
        QTest::addColumn<QString>("situation"); // "typing", what the desktop cannot do, or a target off its monitor
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QString>("keyText");
        const auto none = CaptureTarget::None;
        QTest::newRow("key set") << Entry{"キー", "65,2", "0.01"} << Entry{"即時"} << 1 << false << none << ""
                                 << QStringList{"seconds", "key", "nav", "追加"} << "Ctrl+A";
        QTest::newRow("key without combination") << Entry{"キー", "", "0.01"} << Entry{"即時"} << 1 << false << none
                                                 << "" << QStringList{"seconds", "key", "追加"} << "なし";
        QTest::newRow("key being captured")
            << Entry{"キー", "", "0.01"} << Entry{"即時"} << 2 << true << CaptureTarget::Command << ""
            << QStringList{"key", "locked", "-実行"} << editor::capturePrompt();
        QTest::newRow("input empty") << Entry{"入力", "", "3"} << Entry{"即時"} << 1 << false << none << ""
                                     << QStringList{"text", "seconds"} << "";
        QTest::newRow("key condition empty") << Entry{"クリック", "左", "0.01"} << Entry{"キー", ""} << 1 << false
                                             << none << "" << QStringList{"click", "seconds", "waitKey", "追加"} << "";
        QTest::newRow("key condition decides over text")
            << Entry{"入力", "", "3"} << Entry{"キー", "65,3"} << 1 << false << none << ""
            << QStringList{"text", "seconds", "waitKey", "nav", "追加"} << "";
        QTest::newRow("typing: emptied text holds the page over a key condition")
            << Entry{"入力", "", "3"} << Entry{"キー", "65,3"} << 1 << false << none << "typing"
            << QStringList{"text", "seconds", "waitKey"} << "";
        QTest::newRow("typing: text frees the page over an empty key condition")
            << Entry{"入力", "a", "3"} << Entry{"キー", ""} << 1 << false << none << "typing"
            << QStringList{"text", "seconds", "waitKey", "nav", "追加"} << "";
        QTest::newRow("condition being captured")
            << Entry{"入力", "x", "3"} << Entry{"キー", ""} << 1 << false << CaptureTarget::Condition << ""
            << QStringList{"text", "seconds", "waitKey", "locked", "-実行"} << "";
        QTest::newRow("smooth move, page 2 of 3, copied")
            << Entry{"スムーズムーブ", "1", "2", "3"} << Entry{"時間", "1"} << 2 << true << none << ""
            << QStringList{"seconds", "smoothXy", "test", "wait", "nav", "←", "削除", "ペースト", "追加"} << "";
        QTest::newRow("pointer, last page")
            << Entry{"マウスポインター", "1", "2"} << Entry{"時間", "1"} << 3 << false << none << ""
            << QStringList{"xy", "test", "wait", "nav", "←", "削除", "追加"} << "";
        QTest::newRow("pointer, no synthesis")
            << Entry{"マウスポインター", "1", "2"} << Entry{"即時"} << 1 << false << none << "no synthesis"
            << QStringList{"xy", "test", "nav", "追加", "-実行", "-test"} << "";
        QTest::newRow("pointer off the screen")
            << Entry{"マウスポインター", "5000", "-300"} << Entry{"即時"} << 1 << false << none << "off 1280x1024"
            << QStringList{"xy", "test", "nav", "追加"} << "";
        QTest::newRow("smooth move one past the last pixel")
            << Entry{"スムーズムーブ", "1280", "1023", "1"} << Entry{"即時"} << 1 << false << none << "off 1280x1024"
            << QStringList{"seconds", "smoothXy", "test", "nav", "追加"} << "";
        QTest::newRow("key condition of the stop command")
            << Entry{"なし"} << Entry{"キー", "83,3"} << 1 << false << none << "stop 83,3"
            << QStringList{"waitKey", "nav", "追加", "stop!"} << "";
        QTest::newRow("unknown kinds") << Entry{"謎", "1"} << Entry{"不明", "1"} << 1 << false << none << ""
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
        QFETCH(QString, situation);
        context.typing = situation == "typing";
        context.canSynthesize = situation != "no synthesis";
        if (situation.endsWith("1280x1024"))
            context.monitors = {{0, 0, 1280, 1024}};
        context.stopCommand = situation.startsWith("stop ") ? situation.mid(5) : QString();
        const editor::PageViewState view = editor::pageViewState(context);
        QTEST(shownParts(view), "parts");
        QCOMPARE(view.positionWarning.isEmpty(), !situation.startsWith("off"));
        const bool knownCommand = model::commandKinds().contains(command.at(0));
        QCOMPARE(view.commandTitle, knownCommand ? command.at(0) : QString());
        QCOMPARE(view.commandGroupEnabled, capture != CaptureTarget::Command);
        QCOMPARE(view.conditionGroupEnabled, capture != CaptureTarget::Condition);
        if (!keyText.isEmpty())
            QCOMPARE(view.commandKeyText, keyText);
        if (capture == CaptureTarget::Condition)
            QCOMPARE(view.conditionKeyText, editor::capturePrompt());
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
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("page");
        using A = editor::PageListClick::Action;
        QTest::newRow("upper +") << 1 << int(A::InsertBefore) << 2;
        QTest::newRow("lower +") << 3 << int(A::InsertAfter) << 3;
        QTest::newRow("page before") << 0 << int(A::Show) << 1;
        QTest::newRow("current page") << 2 << int(A::Show) << 2;
        QTest::newRow("page after") << 4 << int(A::Show) << 3;
        QTest::newRow("no such row") << 5 << int(A::Ignore) << 0;
    }
    void pageListClick()
    {
        QFETCH(int, row);
        const editor::PageListClick click = editor::pageListClick(row, 2, 3);
        QTEST(int(click.action), "action");
        QTEST(click.page, "page");
    }

    // What the page's edits write: "追加" the kind's defaults, stretching a time condition for a slow operation and
    // never another kind; the parameter controls only the fields of the page's kinds, each where its kind keeps it;
    // 取得 exactly three elements on a pointer page and the coordinates alone on a smooth move.
    void entryEdits_data()
    {
        QTest::addColumn<QString>("edit"); // "追加" and a kind, the values below, or 取得 at (-15, 1080)
        QTest::addColumn<Entry>("command");
        QTest::addColumn<Entry>("condition");
        QTest::addColumn<Entry>("newCommand");
        QTest::addColumn<Entry>("newCondition");
        const Entry pointer{"マウスポインター", "1", "2"};
        const QString values = QStringLiteral("values");
        const QString get = QStringLiteral("取得");
        QTest::newRow("追加 click") << QStringLiteral("追加 クリック") << pointer << Entry{"時間", "5"}
                                    << Entry{"クリック", "左", "0.01"} << Entry{"時間", "5"};
        QTest::newRow("追加 smooth move") << QStringLiteral("追加 スムーズムーブ") << pointer << Entry{"時間", "5"}
                                          << Entry{"スムーズムーブ", "0", "0", "1"} << Entry{"時間", "1.1"};
        QTest::newRow("追加 smooth move, immediate")
            << QStringLiteral("追加 スムーズムーブ") << pointer << Entry{"即時"}
            << Entry{"スムーズムーブ", "0", "0", "1"} << Entry{"即時"};
        QTest::newRow("追加 input") << QStringLiteral("追加 入力") << pointer << Entry{"時間", "5"}
                                    << Entry{"入力", "", "3"} << Entry{"時間", "3.1"};
        QTest::newRow("values, click") << values << Entry{"クリック", "左", "2"} << Entry{"即時"}
                                       << Entry{"クリック", "右", "0.5"} << Entry{"即時"};
        QTest::newRow("values, pointer") << values << Entry{"マウスポインター", "0", "0"} << Entry{"時間", "1"}
                                         << Entry{"マウスポインター", "-5", "6"} << Entry{"時間", "12.5"};
        QTest::newRow("values, smooth move")
            << values << Entry{"スムーズムーブ", "0", "0", "1"} << Entry{"キー", "65,2"}
            << Entry{"スムーズムーブ", "7", "8", "0.5"} << Entry{"キー", "65,2"};
        QTest::newRow("values, key") << values << Entry{"キー", "65,2", "0.01"} << Entry{"即時"}
                                     << Entry{"キー", "65,2", "0.5"} << Entry{"即時"};
        QTest::newRow("values, input") << values << Entry{"入力", "", "3"} << Entry{"即時"}
                                       << Entry{"入力", "a\n<b>", "0.5"} << Entry{"即時"};
        QTest::newRow("values, unknown") << values << Entry{"謎", "1"} << Entry{"不明"} << Entry{"謎", "1"}
                                         << Entry{"不明"};
        QTest::newRow("取得 pointer") << get << Entry{"マウスポインター", "1", "2", "junk"} << Entry{"即時"}
                                      << Entry{"マウスポインター", "-15", "1080"} << Entry{"即時"};
        QTest::newRow("取得 smooth move") << get << Entry{"スムーズムーブ", "0", "0", "2.5"} << Entry{"即時"}
                                          << Entry{"スムーズムーブ", "-15", "1080", "2.5"} << Entry{"即時"};
    }
    void entryEdits()
    {
        QFETCH(QString, edit);
        QFETCH(Entry, command);
        QFETCH(Entry, condition);
        if (edit.startsWith(QStringLiteral("追加 ")))
            editor::addCommand(command, condition, edit.mid(3));
        else if (edit == QStringLiteral("取得"))
            editor::storeCapturedPosition(command, -15, 1080);
        else
            editor::applyEditorValues(command, condition, {"a\n<b>", "右", -5, 6, 7, 8, 0.5, 12.5});
        QTEST(command, "newCommand");
        QTEST(condition, "newCondition");
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

        // Bounded by size, not count: room for about two steps of long texts keeps the newest two.
        editor::ProjectHistory bounded(3000);
        bounded.reset(state(QString(500, QLatin1Char('a')), 1));
        for (const char c : {'b', 'c', 'd', 'e'})
            bounded.record(state(QString(500, QLatin1Char(c)), 1));
        QCOMPARE(text(bounded.undo()), QString(500, QLatin1Char('d')));
        QCOMPARE(text(bounded.undo()), QString(500, QLatin1Char('c')));
        QVERIFY(!bounded.undo());
    }
};

QTEST_GUILESS_MAIN(tst_PageViewState)
#include "tst_pageviewstate.moc"
