// Page navigation and page operations: the page list with its "+" rows, previous/next, delete, copy, paste and a new
// project, with the confirmation settings read at the moment of each operation.

#include "editortest.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>

using namespace editortest;
using model::EntryList;

class tst_Pages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initProgram(); }
    void init() { resetConfig(); }

    void pageRows_data();
    void pageRows();
    void nextAndPrevious();
    void plusRows_data();
    void plusRows();
    void rowClickShowsThePage();
    void keyboardSelectionActsLikeAClick();
    void deletePage_data();
    void deletePage();
    void deleteAsksWhenTheSettingSaysSo();
    void pasteBlankPageNeverAsks();
    void pasteOverAPageAsks_data();
    void pasteOverAPageAsks();
    void copySurvivesANewProject();
    void newFileAsksOnlyForAnUnsavedProject_data();
    void newFileAsksOnlyForAnUnsavedProject();
};

namespace {

void showProject(orvane& window, const EntryList& commands, const EntryList& conditions, int page)
{
    window.list_command = commands;
    window.list_condition = conditions;
    window.currentPage = page + 1;
    QMetaObject::invokeMethod(&window, "returnPage");
}

EntryList threePages()
{
    return {{"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
}

EntryList threeConditions()
{
    return {{"時間", "0.1"}, {"即時"}, {"時間", "2"}};
}

void clickRow(QListWidget* list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

void tst_Pages::pageRows_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("rowTexts");
    QTest::newRow("1 of 1") << 1 << 1 << QStringList{"+", "1.なし", "+"};
    QTest::newRow("1 of 3") << 3 << 1 << QStringList{"+", "1.なし", "+", "2.クリック", "3.入力"};
    QTest::newRow("2 of 3") << 3 << 2 << QStringList{"1.なし", "+", "2.クリック", "+", "3.入力"};
    QTest::newRow("3 of 3") << 3 << 3 << QStringList{"1.なし", "2.クリック", "+", "3.入力", "+"};
}

void tst_Pages::pageRows()
{
    QFETCH(int, pages);
    QFETCH(int, page);
    QFETCH(QStringList, rowTexts);
    auto window = makeEditor();
    showProject(*window, threePages().mid(0, pages), threeConditions().mid(0, pages), page);
    QCOMPARE(rows(window->pageList), rowTexts);
    QCOMPARE(window->pageList->currentRow(), page);
    QCOMPARE(window->pageList->currentItem()->text(), rowTexts.at(page));
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("%1/%2").arg(page).arg(pages));
}

void tst_Pages::nextAndPrevious()
{
    auto window = makeEditor();
    window->nextPageButton->click();
    QCOMPARE(window->list_command, (EntryList{{"なし"}, {"なし"}}));
    QCOMPARE(window->list_condition, (EntryList{{"時間", "0.1"}, {"時間", "0.1"}}));
    QCOMPARE(window->currentPage, 2);
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("2/2"));
    QVERIFY(shown(*window, window->returnPageButton));
    QVERIFY(shown(*window, window->deletePageButton));

    window->returnPageButton->click();
    QCOMPARE(window->currentPage, 1);
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("1/2"));
    QVERIFY(!shown(*window, window->returnPageButton));
    // "→" before the last page only moves.
    window->nextPageButton->click();
    QCOMPARE(window->list_command.size(), 2);
    QCOMPARE(window->currentPage, 2);
}

void tst_Pages::plusRows_data()
{
    QTest::addColumn<bool>("upper");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QStringList>("rowTexts");
    QTest::newRow("upper +") << true << 2 << "2/4" << QStringList{"1.なし", "+", "2.なし", "+", "3.クリック", "4.入力"};
    QTest::newRow("lower +") << false << 3 << "3/4"
                             << QStringList{"1.なし", "2.クリック", "+", "3.なし", "+", "4.入力"};
}

void tst_Pages::plusRows()
{
    QFETCH(bool, upper);
    QFETCH(int, page);
    QFETCH(QString, counter);
    QFETCH(QStringList, rowTexts);
    auto window = makeEditor();
    showProject(*window, threePages(), threeConditions(), 2);
    clickRow(window->pageList, upper ? 1 : 3);
    QCOMPARE(window->currentPage, page);
    QCOMPARE(window->pageCountLabel->text(), counter);
    QCOMPARE(rows(window->pageList), rowTexts);
    QCOMPARE(window->list_command.at(page - 1), model::freshCommand());
    QCOMPARE(window->list_condition.at(page - 1), model::freshCondition());
    QCOMPARE(window->list_condition.size(), 4);
    QCOMPARE(window->list_condition.at(upper ? 2 : 1), (QStringList{"即時"}));
}

void tst_Pages::rowClickShowsThePage()
{
    auto window = makeEditor();
    showProject(*window, threePages(), threeConditions(), 1);
    clickRow(window->pageList, 4); // "3.入力"
    QCOMPARE(window->currentPage, 3);
    QCOMPARE(window->commandLabel->text(), QStringLiteral("入力"));
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("3/3"));
    clickRow(window->pageList, 1); // "2.クリック"
    QCOMPARE(window->currentPage, 2);
    QCOMPARE(window->commandLabel->text(), QStringLiteral("クリック"));
    QCOMPARE(window->list_command.size(), 3);
}

void tst_Pages::keyboardSelectionActsLikeAClick()
{
    auto window = makeEditor();
    showProject(*window, threePages(), threeConditions(), 2);
    window->pageList->setFocus();
    QTest::keyClick(window->pageList, Qt::Key_Up);
    QCOMPARE(window->list_command.size(), 4);
    QCOMPARE(window->currentPage, 2);
    QCOMPARE(window->list_command.at(1), model::freshCommand());
    QCOMPARE(window->list_command.at(2), (QStringList{"クリック", "左", "0.01"}));
}

void tst_Pages::deletePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("shownPage");
    QTest::addColumn<QString>("shownKind");
    QTest::newRow("first of 3") << 1 << 1 << "クリック";
    QTest::newRow("middle of 3") << 2 << 1 << "なし";
    QTest::newRow("last of 3") << 3 << 2 << "クリック";
}

void tst_Pages::deletePage()
{
    QFETCH(int, page);
    QFETCH(int, shownPage);
    QFETCH(QString, shownKind);
    auto window = makeEditor();
    window->confirmDeleteAction->setChecked(false);
    showProject(*window, threePages(), threeConditions(), page);
    window->deletePageButton->click();
    QCOMPARE(window->list_command.size(), 2);
    QCOMPARE(window->list_condition.size(), 2);
    QCOMPARE(window->currentPage, shownPage);
    QCOMPARE(window->commandLabel->text(), shownKind);
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("%1/2").arg(shownPage));
    EntryList expected = threePages();
    expected.removeAt(page - 1);
    QCOMPARE(window->list_command, expected);

    // Down to one page: "削除" disappears and the remaining page is page 1.
    window->deletePageButton->click();
    QCOMPARE(window->list_command.size(), 1);
    QCOMPARE(window->currentPage, 1);
    QVERIFY(!shown(*window, window->deletePageButton));
}

void tst_Pages::deleteAsksWhenTheSettingSaysSo()
{
    auto window = makeEditor();
    QVERIFY(window->is_message_delete);
    showProject(*window, threePages(), threeConditions(), 2);
    {
        BoxAnswerer answerer({QMessageBox::No});
        window->deletePageButton->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
        QCOMPARE(answerer.seen.at(0).text, QStringLiteral("2ページ目を削除しますか？"));
        QCOMPARE(answerer.seen.at(0).icon, QMessageBox::Warning);
        QCOMPARE(answerer.seen.at(0).buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
    }
    QCOMPARE(window->list_command, threePages());
    {
        BoxAnswerer answerer({QMessageBox::Yes});
        window->deletePageButton->click();
        QCOMPARE(answerer.seen.size(), 1);
    }
    QCOMPARE(window->list_command.size(), 2);
    // Switching the setting off takes effect at once.
    window->confirmDeleteAction->trigger();
    QVERIFY(!window->is_message_delete);
    BoxAnswerer answerer;
    window->deletePageButton->click();
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(window->list_command.size(), 1);
}

void tst_Pages::pasteBlankPageNeverAsks()
{
    auto window = makeEditor();
    window->confirmPasteAction->setChecked(true);
    showProject(*window, threePages(), threeConditions(), 2);
    QVERIFY(!shown(*window, window->pasteButton));
    window->copyButton->click();
    QVERIFY(shown(*window, window->pasteButton));
    QCOMPARE(window->copiedCommand, (QStringList{"クリック", "左", "0.01"}));
    QCOMPARE(window->copiedCondition, (QStringList{"即時"}));
    window->nextPageButton->click();
    window->nextPageButton->click(); // a new blank page 4
    BoxAnswerer answerer;
    window->pasteButton->click();
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(window->list_command.at(3), (QStringList{"クリック", "左", "0.01"}));
    QCOMPARE(window->list_condition.at(3), (QStringList{"即時"}));
    QCOMPARE(rows(window->pageList).at(4), QStringLiteral("4.クリック"));
}

void tst_Pages::pasteOverAPageAsks_data()
{
    QTest::addColumn<bool>("setting");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("setting on, yes") << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("setting on, no") << true << int(QMessageBox::No) << true << false;
    QTest::newRow("setting off") << false << int(QMessageBox::No) << false << true;
}

void tst_Pages::pasteOverAPageAsks()
{
    QFETCH(bool, setting);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, replaced);
    auto window = makeEditor();
    showProject(*window, threePages(), threeConditions(), 2);
    window->copyButton->click();
    window->nextPageButton->click();
    window->conditionSecondsSpin->setValue(0.2); // "なし" with 時間 0.2 is not blank
    showProject(*window, window->list_command, window->list_condition, 1);
    window->list_condition[0] = {"時間", "0.2"};
    window->confirmPasteAction->setChecked(setting);

    BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
    window->pasteButton->click();
    QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
        QCOMPARE(answerer.seen.at(0).text, QStringLiteral("1 ページ目を置き換えますか？"));
        QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
    }
    const QStringList command = replaced ? QStringList{"クリック", "左", "0.01"} : QStringList{"なし"};
    const QStringList condition = replaced ? QStringList{"即時"} : QStringList{"時間", "0.2"};
    QCOMPARE(window->list_command.at(0), command);
    QCOMPARE(window->list_condition.at(0), condition);
    QCOMPARE(window->conditionLabel->text(), replaced ? QStringLiteral("即時") : QStringLiteral("時間"));
}

void tst_Pages::copySurvivesANewProject()
{
    auto window = makeEditor();
    window->confirmSaveAction->setChecked(false);
    showProject(*window, threePages(), threeConditions(), 2);
    window->copyButton->click();
    window->newFileAction->trigger();
    QCOMPARE(window->list_command, (EntryList{{"なし"}}));
    QVERIFY(shown(*window, window->pasteButton));
    window->pasteButton->click();
    QCOMPARE(window->list_command, (EntryList{{"クリック", "左", "0.01"}}));
    QCOMPARE(window->list_condition, (EntryList{{"即時"}}));
}

void tst_Pages::newFileAsksOnlyForAnUnsavedProject_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("setting");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("reset");
    QTest::newRow("saved") << false << true << int(QMessageBox::No) << false << true;
    QTest::newRow("unsaved, yes") << true << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("unsaved, no") << true << true << int(QMessageBox::No) << true << false;
    QTest::newRow("unsaved, setting off") << true << false << int(QMessageBox::No) << false << true;
}

void tst_Pages::newFileAsksOnlyForAnUnsavedProject()
{
    QFETCH(bool, changed);
    QFETCH(bool, setting);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, reset);
    auto window = makeEditor();
    // A named, saved project of two pages on page 2.
    window->filePath = QStringLiteral("/somewhere/demo.cmdat");
    window->list_command = {{"なし"}, {"なし"}};
    window->list_condition = {{"時間", "0.1"}, {"即時"}};
    window->saved_list_command = window->list_command;
    window->saved_list_condition = window->list_condition;
    window->currentPage = 3;
    QMetaObject::invokeMethod(window.get(), "returnPage");
    QCOMPARE(window->windowTitle(), QStringLiteral("demo"));
    if (changed) {
        window->commandCombo->setCurrentText(QStringLiteral("クリック"));
        window->addCommandButton->click();
    }
    window->confirmSaveAction->setChecked(setting);

    BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
    window->newFileAction->trigger();
    QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
        QCOMPARE(answerer.seen.at(0).text, QStringLiteral("プロジェクトが保存されていません。\n新規作成しますか？"));
    }
    if (reset) {
        QCOMPARE(window->list_command, (EntryList{{"なし"}}));
        QCOMPARE(window->list_condition, (EntryList{{"時間", "0.1"}}));
        QCOMPARE(window->saved_list_command, window->list_command);
        QCOMPARE(window->saved_list_condition, window->list_condition);
        QCOMPARE(window->currentPage, 1);
        QCOMPARE(window->filePath, settings::desktopDirectory());
        QCOMPARE(window->windowTitle(), QStringLiteral("新規プロジェクト"));
    } else {
        QCOMPARE(window->list_command.size(), 2);
        QCOMPARE(window->currentPage, 2);
        QCOMPARE(window->filePath, QStringLiteral("/somewhere/demo.cmdat"));
        QCOMPARE(window->windowTitle(), QStringLiteral("demo"));
    }
}

QTEST_MAIN(tst_Pages)
#include "tst_pages.moc"
