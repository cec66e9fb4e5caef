// The editor window: edits reaching the page, the view state reaching the widgets, page navigation, the page
// operations with the confirmation settings read at the moment of each operation, undo, shortcuts and reordering.
// The rules themselves are tested without a window in tst_pageviewstate.

#include "editortest.h"

#include <QDoubleSpinBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

namespace {

QListWidget* pageList(const orvane& window)
{
    return child<QListWidget>(window, "pageList");
}

QPoint rowCentre(const orvane& window, const QString& text)
{
    const QList<QListWidgetItem*> items = pageList(window)->findItems(text, Qt::MatchExactly);
    return items.isEmpty() ? QPoint(-1, -1) : pageList(window)->visualItemRect(items.constFirst()).center();
}

// A mouse event on the page list as the window system delivers it, with its own time.
void mouse(const orvane& window, QEvent::Type type, const QPoint& at, ulong time)
{
    QWidget* viewport = pageList(window)->viewport();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, Qt::NoModifier);
    event.setTimestamp(time);
    QApplication::sendEvent(viewport, &event);
}

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
        QCOMPARE(project(*window).commands.at(0), (QStringList{"クリック", "右", "0.001"}));
        child<QDoubleSpinBox>(*window, "conditionSecondsSpin")->setValue(0.2);
        QCOMPARE(project(*window).commands.at(0), (QStringList{"クリック", "右", "0.01"}));
        QCOMPARE(project(*window).conditions.at(0), (QStringList{"時間", "0.2"}));

        showProject(*window, {{"入力", "", "3"}}, {{"キー", "65,2"}}, 1);
        QVERIFY(shown(*window, "textEdit") && !shown(*window, "clickCombo") && !shown(*window, "commandKeyLabel"));
        auto* textEdit = child<QTextEdit>(*window, "textEdit");
        textEdit->setFocus();
        QTest::keyClicks(textEdit, QStringLiteral("a"));
        QTest::keyClick(textEdit, Qt::Key_Return);
        QTest::keyClicks(textEdit, QStringLiteral("<b>"));
        QCOMPARE(project(*window).commands.at(0), (QStringList{"入力", "a\n<b>", "3"}));
        QVERIFY(shown(*window, "nextPageButton"));
        button(*window, "nextPageButton")->click();
        button(*window, "returnPageButton")->click();
        QCOMPARE(textEdit->toPlainText(), QStringLiteral("a\n<b>"));
        textEdit->clear();
        for (const char* name : {"nextPageButton", "pageList", "runButton", "menuBar"})
            QVERIFY2(!shown(*window, name), name);
    }

    // Deleting shows the page that took the deleted one's place, or the new last page; the last page left stays. With
    // the setting on the question comes first and "No" keeps the page. "→" on the last page adds one, else it moves.
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
            QCOMPARE(project(*window).commands, ThreePages);
            action(*window, "confirmDeleteAction")->setChecked(false);
        }
        button(*window, "deletePageButton")->click();
        EntryList expected = ThreePages;
        expected.removeAt(page - 1);
        QCOMPARE(project(*window).commands, expected);
        QCOMPARE(project(*window).conditions.size(), 2);
        QTEST(text(*window, "pageCountLabel"), "count");
        button(*window, "deletePageButton")->click();
        QCOMPARE(project(*window).commands.size(), 1);
        QVERIFY(!shown(*window, "deletePageButton"));
        button(*window, "nextPageButton")->click();
        QCOMPARE(project(*window).commands.size(), 2);
        button(*window, "returnPageButton")->click();
        button(*window, "nextPageButton")->click();
        QCOMPARE(project(*window).commands.size(), 2);
        QCOMPARE(text(*window, "pageCountLabel"), QStringLiteral("2/2"));
    }

    // Pasting asks only over a page that is not blank, and only when the setting says so; a copy outlives its project.
    void paste_data()
    {
        QTest::addColumn<bool>("blank");
        QTest::addColumn<bool>("setting");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("blank page of a new project") << true << true << int(QMessageBox::No) << false << true;
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
        const QStringList condition{"時間", "0.2"};
        if (blank) {
            action(*window, "confirmSaveAction")->setChecked(false);
            action(*window, "newFileAction")->trigger();
        } else {
            showProject(*window, ThreePages, {condition, ThreeConditions[1], ThreeConditions[2]}, 1);
        }
        action(*window, "confirmPasteAction")->setChecked(setting);
        BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
        button(*window, "pasteButton")->click();
        QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(answerer.seen.at(0).text, QStringLiteral("1 ページ目を置き換えますか？"));
        QCOMPARE(project(*window).commands.at(0), replaced ? ThreePages.at(1) : ThreePages.at(0));
        QCOMPARE(project(*window).conditions.at(0), replaced ? ThreeConditions.at(1) : condition);
    }

    // Each change is one step: undo gives back the saved project (counted as saved), redo the change (unsaved).
    void undoRedo_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<EntryList>("after");
        QTest::newRow("insert") << "insert"
                                << EntryList{{"なし"}, {"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
        QTest::newRow("typing merges") << "typing" << EntryList{ThreePages[0], ThreePages[1], {"入力", "abcxy", "3"}};
        QTest::newRow("drag") << "drag" << EntryList{ThreePages[1], ThreePages[2], ThreePages[0]};
        const EntryList click = {{"マウスポインター", "100", "200"}, {"クリック", "左", "0.08"}};
        QTest::newRow("recording") << "record"
                                   << EntryList{ThreePages[0], click[0], click[1], ThreePages[1], ThreePages[2]};
    }
    void undoRedo()
    {
        QFETCH(QString, change);
        QFETCH(EntryList, after);
        QTemporaryDir dir;
        auto window = openSaved(dir);
        QVERIFY(window && !action(*window, "undoAction")->isEnabled());
        if (change == "insert") {
            QTest::mouseClick(pageList(*window)->viewport(), Qt::LeftButton, {}, rowCentre(*window, "+"));
        } else if (change == "typing") {
            button(*window, "nextPageButton")->click();
            button(*window, "nextPageButton")->click();
            auto* text = child<QTextEdit>(*window, "textEdit");
            text->moveCursor(QTextCursor::End);
            QTest::keyClicks(text, QStringLiteral("xy"));
        } else if (change == "record") {
            fake().recordable = false; // the item says why it cannot be used
            QVERIFY(!action(*makeWindow(), "recordAction")->isEnabled());
            fake().recordable = true;
            QTimer::singleShot(0, [] {
                QWidget* dialog = QApplication::activeModalWidget();
                dialog->findChild<QSpinBox*>("recordDelaySpinBox")->setValue(1);
                dialog->findChild<QPushButton*>("recordStartButton")->click();
            });
            action(*window, "recordAction")->trigger();
            QTRY_VERIFY(fake().isRecording() && !window->isVisible());
            using T = platform::InputEvent::Type;
            fake().feed(
                {{T::ButtonDown, 1000, 100, 200, {}, 0, {}}, {T::ButtonUp, 1080, 100, 200, {}, 0, {}}}); // a held click
            for (int vk : {162, 164, 83}) // then the stop combination Ctrl+Alt+S
                fake().feed({{T::KeyDown, 1100, 0, 0, {}, vk, {}}});
            QTRY_VERIFY(window->isVisible());
            QCOMPARE(currentPage(*window), 2);
        } else {
            const QPoint from = rowCentre(*window, QStringLiteral("1.なし"));
            mouse(*window, QEvent::MouseButtonPress, from, 1000);
            const QPoint to = rowCentre(*window, QStringLiteral("3.入力"));
            mouse(*window, QEvent::MouseMove, (from + to) / 2, 1100);
            mouse(*window, QEvent::MouseMove, to, 1200);
            mouse(*window, QEvent::MouseButtonRelease, to, 1300);
        }
        QCOMPARE(project(*window).commands, after);
        QVERIFY(asksAsUnsaved(*window));
        action(*window, "undoAction")->trigger();
        QCOMPARE(project(*window).commands, ThreePages);
        QCOMPARE(project(*window).conditions, ThreeConditions);
        QVERIFY(!asksAsUnsaved(*window));
        action(*window, "redoAction")->trigger();
        QCOMPARE(project(*window).commands, after);
        QVERIFY(asksAsUnsaved(*window));
    }

    // The window's shortcuts act while the window is active, the page list's while the list has the focus.
    void shortcuts_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("actionName");
        const QString rows = QStringLiteral(
            "Ctrl+N newFileAction|Ctrl+O openAction|Ctrl+S overwriteSaveAction|Ctrl+Shift+S saveAsAction|F5 runAction|"
            "Ctrl+R recordAction|Ctrl+Z undoAction|Ctrl+Shift+Z redoAction|Ctrl+Y redoAction|Ctrl+C pageCopyAction|"
            "Ctrl+V pagePasteAction|Del pageDeleteAction|Alt+Left previousPageAction|Alt+Right nextPageAction");
        for (const QString& row : rows.split(QLatin1Char('|')))
            QTest::newRow(qPrintable(row)) << row.section(QLatin1Char(' '), 0, 0) << row.section(QLatin1Char(' '), 1);
    }
    void shortcuts()
    {
        QFETCH(QString, keys);
        QFETCH(QString, actionName);
        auto window = makeEditor();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        button(*window, "nextPageButton")->click();
        button(*window, "nextPageButton")->click();
        action(*window, "undoAction")->trigger(); // both undo and redo have a step
        QAction* target = action(*window, qPrintable(actionName));
        QVERIFY(target);
        target->disconnect(window.get());
        QSignalSpy triggered(target, &QAction::triggered);
        QWidget* focus = window.get();
        if (target->shortcutContext() == Qt::WidgetShortcut)
            focus = pageList(*window);
        focus->setFocus();
        const QKeyCombination combination = QKeySequence(keys)[0];
        QTest::keyClick(focus, combination.key(), combination.keyboardModifiers());
        QCOMPARE(triggered.size(), 1);
    }

    // The second click of a double-click lands where the first one's rebuilt rows put a "+"; an arrow key too only
    // reaches a "+" row: neither inserts.
    void doubleClickOnAPageRowOnlyShowsIt()
    {
        auto window = makeEditor();
        showProject(*window, ThreePages, ThreeConditions, 1);
        const QPoint at = rowCentre(*window, QStringLiteral("3.入力"));
        mouse(*window, QEvent::MouseButtonPress, at, 5000);
        mouse(*window, QEvent::MouseButtonRelease, at, 5000);
        mouse(*window, QEvent::MouseButtonPress, at, 5100);
        mouse(*window, QEvent::MouseButtonDblClick, at, 5100);
        mouse(*window, QEvent::MouseButtonRelease, at, 5100);
        QTest::keyClick(pageList(*window), Qt::Key_Up);
        QCOMPARE(project(*window).commands, ThreePages);
        QCOMPARE(currentPage(*window), 3);
    }
};

QTEST_MAIN(tst_Pages)
#include "tst_pages.moc"
