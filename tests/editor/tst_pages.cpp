// The editor window: edits reaching the page, the view state reaching the widgets, page navigation and the page
// operations with the confirmation settings read at the moment of each operation. The rules themselves are tested
// without a window in tst_pageviewstate.

#include "editortest.h"

#include <QDoubleSpinBox>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

namespace {

const EntryList ThreePages = {{"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
const EntryList ThreeConditions = {{"時間", "0.1"}, {"即時"}, {"時間", "2"}};

} // namespace

class tst_Pages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init() { testsupport::writeReturningUser(); }

    // Each kind brings its own controls and no other kind's. A value the widgets cannot show is shown clamped but kept
    // until the user edits the page; typed text is written on every change, comes back as typed (markup too), and an
    // emptied text holds the page.
    void editsReachThePage()
    {
        auto window = makeEditor();
        showProject(*window, {{"クリック", "右", "0.001"}}, {{"時間", "0.004"}}, 1);
        QCOMPARE(child<QDoubleSpinBox>(*window, "commandSecondsSpin")->value(), 0.01);
        QCOMPARE(child<QComboBox>(*window, "clickCombo")->currentText(), QStringLiteral("右"));
        QVERIFY(shown(*window, "clickCombo") && !shown(*window, "textEdit"));
        QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.001"}));
        child<QDoubleSpinBox>(*window, "conditionSecondsSpin")->setValue(0.2);
        QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.01"}));
        QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.2"}));

        showProject(*window, {{"入力", "", "3"}}, {{"キー", "65,2"}}, 1);
        QVERIFY(shown(*window, "textEdit") && !shown(*window, "clickCombo") && !shown(*window, "commandKeyLabel"));
        auto* textEdit = child<QTextEdit>(*window, "textEdit");
        textEdit->setFocus();
        QTest::keyClicks(textEdit, QStringLiteral("a"));
        QTest::keyClick(textEdit, Qt::Key_Return);
        QTest::keyClicks(textEdit, QStringLiteral("<b>"));
        QCOMPARE(window->list_command.at(0), (QStringList{"入力", "a\n<b>", "3"}));
        QVERIFY(shown(*window, "nextPageButton"));
        button(*window, "nextPageButton")->click();
        button(*window, "returnPageButton")->click();
        QCOMPARE(textEdit->toPlainText(), QStringLiteral("a\n<b>"));
        textEdit->clear();
        for (const char* name : {"nextPageButton", "pageList", "runButton", "menuBar"})
            QVERIFY2(!shown(*window, name), name);
    }

    void nextOnTheLastPageAddsOne()
    {
        auto window = makeEditor();
        button(*window, "nextPageButton")->click();
        QCOMPARE(window->list_command, (EntryList{{"なし"}, {"なし"}}));
        QCOMPARE(window->list_condition, (EntryList{{"時間", "0.1"}, {"時間", "0.1"}}));
        button(*window, "returnPageButton")->click();
        QCOMPARE(text(*window, "pageCountLabel"), QStringLiteral("1/2"));
        button(*window, "nextPageButton")->click(); // before the last page it only moves
        QCOMPARE(text(*window, "pageCountLabel"), QStringLiteral("2/2"));
    }

    // Deleting shows the page that took the deleted one's place, or the new last page; the last page left stays. With
    // the setting on the question comes first and "No" keeps the page.
    void deletePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<QString>("count");
        QTest::newRow("first") << 1 << false << "1/2";
        QTest::newRow("middle, asked first") << 2 << true << "1/2";
        QTest::newRow("last") << 3 << false << "2/2";
    }
    void deletePage()
    {
        QFETCH(int, page);
        QFETCH(bool, ask);
        auto window = makeEditor();
        action(*window, "confirmDeleteAction")->setChecked(ask);
        showProject(*window, ThreePages, ThreeConditions, page);
        if (ask) {
            BoxAnswerer answerer({QMessageBox::No});
            button(*window, "deletePageButton")->click();
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("%1ページ目を削除しますか？").arg(page));
            QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
            QCOMPARE(window->list_command, ThreePages);
            action(*window, "confirmDeleteAction")->setChecked(false);
        }
        button(*window, "deletePageButton")->click();
        EntryList expected = ThreePages;
        expected.removeAt(page - 1);
        QCOMPARE(window->list_command, expected);
        QCOMPARE(window->list_condition.size(), 2);
        QTEST(text(*window, "pageCountLabel"), "count");
        button(*window, "deletePageButton")->click();
        QCOMPARE(window->list_command.size(), 1);
        QVERIFY(!shown(*window, "deletePageButton"));
    }

    // Pasting asks only over a page that is not blank, and only when the setting says so.
    void paste_data()
    {
        QTest::addColumn<bool>("blank");
        QTest::addColumn<bool>("setting");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("blank page") << true << true << int(QMessageBox::No) << false << true;
        QTest::newRow("yes") << false << true << int(QMessageBox::Yes) << true << true;
        QTest::newRow("no") << false << true << int(QMessageBox::No) << true << false;
        QTest::newRow("setting off") << false << false << int(QMessageBox::No) << false << true;
    }
    void paste()
    {
        QFETCH(bool, blank);
        QFETCH(bool, setting);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, replaced);
        auto window = makeEditor();
        showProject(*window, ThreePages, ThreeConditions, 2);
        QVERIFY(!shown(*window, "pasteButton"));
        button(*window, "copyButton")->click();
        EntryList conditions = ThreeConditions;
        conditions[0] = blank ? model::freshCondition() : QStringList{"時間", "0.2"};
        showProject(*window, ThreePages, conditions, 1);
        action(*window, "confirmPasteAction")->setChecked(setting);
        BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        button(*window, "pasteButton")->click();
        QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("1 ページ目を置き換えますか？"));
        QCOMPARE(window->list_command.at(0), replaced ? ThreePages.at(1) : ThreePages.at(0));
        QCOMPARE(window->list_condition.at(0), replaced ? ThreeConditions.at(1) : conditions.at(0));
    }

    void copySurvivesANewProject()
    {
        auto window = makeEditor();
        action(*window, "confirmSaveAction")->setChecked(false);
        showProject(*window, ThreePages, ThreeConditions, 2);
        button(*window, "copyButton")->click();
        action(*window, "newFileAction")->trigger();
        button(*window, "pasteButton")->click();
        QCOMPARE(window->list_command, (EntryList{{"クリック", "左", "0.01"}}));
        QCOMPARE(window->list_condition, (EntryList{{"即時"}}));
    }
};

QTEST_MAIN(tst_Pages)
#include "tst_pages.moc"
