// Page navigation and page operations: the page list with its "+" rows, previous/next, delete, copy and paste, with
// the confirmation settings read at the moment of each operation.

#include "editortest.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>

using namespace editortest;
using model::EntryList;

namespace {

const EntryList ThreePages = {{"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
const EntryList ThreeConditions = {{"時間", "0.1"}, {"即時"}, {"時間", "2"}};

void clickRow(QListWidget* list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class tst_Pages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init() { testsupport::writeReturningUser(); }

    void pageRows_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("rowTexts");
        QTest::newRow("1 of 1") << 1 << 1 << QStringList{"+", "1.なし", "+"};
        QTest::newRow("2 of 3") << 3 << 2 << QStringList{"1.なし", "+", "2.クリック", "+", "3.入力"};
        QTest::newRow("3 of 3") << 3 << 3 << QStringList{"1.なし", "2.クリック", "+", "3.入力", "+"};
    }
    void pageRows()
    {
        QFETCH(int, pages);
        QFETCH(int, page);
        QFETCH(QStringList, rowTexts);
        auto window = makeEditor();
        showProject(*window, ThreePages.mid(0, pages), ThreeConditions.mid(0, pages), page);
        QCOMPARE(rows(window->pageList), rowTexts);
        QCOMPARE(window->pageList->currentRow(), page);
        QCOMPARE(window->pageCountLabel->text(), QStringLiteral("%1/%2").arg(page).arg(pages));
        QCOMPARE(shown(*window, window->returnPageButton), page > 1);
        QCOMPARE(shown(*window, window->deletePageButton), pages > 1);
    }

    void nextOnTheLastPageAddsOne()
    {
        auto window = makeEditor();
        window->nextPageButton->click();
        QCOMPARE(window->list_command, (EntryList{{"なし"}, {"なし"}}));
        QCOMPARE(window->list_condition, (EntryList{{"時間", "0.1"}, {"時間", "0.1"}}));
        window->returnPageButton->click();
        QCOMPARE(window->currentPage, 1);
        window->nextPageButton->click(); // before the last page it only moves
        QCOMPARE(window->list_command.size(), 2);
        QCOMPARE(window->currentPage, 2);
    }

    // On page 2 of 3: a "+" row inserts a fresh page there, a page row shows that page.
    void rowClicks_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("rowTexts");
        QTest::newRow("upper +") << 1 << 2 << QStringList{"1.なし", "+", "2.なし", "+", "3.クリック", "4.入力"};
        QTest::newRow("lower +") << 3 << 3 << QStringList{"1.なし", "2.クリック", "+", "3.なし", "+", "4.入力"};
        QTest::newRow("page row") << 4 << 3 << QStringList{"1.なし", "2.クリック", "+", "3.入力", "+"};
    }
    void rowClicks()
    {
        QFETCH(int, row);
        QFETCH(int, page);
        QFETCH(QStringList, rowTexts);
        auto window = makeEditor();
        showProject(*window, ThreePages, ThreeConditions, 2);
        clickRow(window->pageList, row);
        QCOMPARE(window->currentPage, page);
        QCOMPARE(rows(window->pageList), rowTexts);
        QCOMPARE(window->list_condition.size(), rowTexts.size() - 2);
        QCOMPARE(window->commandLabel->text(), window->list_command.at(page - 1).at(0));
    }

    void deletePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("shownPage");
        QTest::newRow("first") << 1 << 1;
        QTest::newRow("middle") << 2 << 1;
        QTest::newRow("last") << 3 << 2;
    }
    void deletePage()
    {
        QFETCH(int, page);
        QFETCH(int, shownPage);
        auto window = makeEditor();
        window->confirmDeleteAction->setChecked(false);
        showProject(*window, ThreePages, ThreeConditions, page);
        window->deletePageButton->click();
        EntryList expected = ThreePages;
        expected.removeAt(page - 1);
        QCOMPARE(window->list_command, expected);
        QCOMPARE(window->list_condition.size(), 2);
        QCOMPARE(window->currentPage, shownPage);
        window->deletePageButton->click();
        QCOMPARE(window->list_command.size(), 1);
        QVERIFY(!shown(*window, window->deletePageButton));
    }

    void deleteAsksWhenTheSettingSaysSo()
    {
        auto window = makeEditor();
        showProject(*window, ThreePages, ThreeConditions, 2);
        {
            BoxAnswerer answerer({QMessageBox::No});
            window->deletePageButton->click();
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("2ページ目を削除しますか？"));
            QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
        }
        QCOMPARE(window->list_command, ThreePages);
        window->confirmDeleteAction->trigger(); // off, effective at once
        BoxAnswerer answerer;
        window->deletePageButton->click();
        QCOMPARE(answerer.seen.size(), 0);
        QCOMPARE(window->list_command.size(), 2);
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
        QVERIFY(!shown(*window, window->pasteButton));
        window->copyButton->click();
        EntryList conditions = ThreeConditions;
        conditions[0] = blank ? model::freshCondition() : QStringList{"時間", "0.2"}; // "なし" with 0.2 s is not blank
        showProject(*window, ThreePages, conditions, 1);
        window->confirmPasteAction->setChecked(setting);
        BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        window->pasteButton->click();
        QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("1 ページ目を置き換えますか？"));
        QCOMPARE(window->list_command.at(0), replaced ? ThreePages.at(1) : ThreePages.at(0));
        QCOMPARE(window->list_condition.at(0), replaced ? ThreeConditions.at(1) : conditions.at(0));
    }

    void copySurvivesANewProject()
    {
        auto window = makeEditor();
        window->confirmSaveAction->setChecked(false);
        showProject(*window, ThreePages, ThreeConditions, 2);
        window->copyButton->click();
        window->newFileAction->trigger();
        window->pasteButton->click();
        QCOMPARE(window->list_command, (EntryList{{"クリック", "左", "0.01"}}));
        QCOMPARE(window->list_condition, (EntryList{{"即時"}}));
    }
};

QTEST_MAIN(tst_Pages)
#include "tst_pages.moc"
