// The editor's conveniences through the window (undo, shortcuts, reordering, recent files, saving on close, the run
// dialog's way out of a capture) and the faults that lost work: a double-click inserting a page, a repaired file
// passing as saved.

#include "editortest.h"
#include "model/projectfile.h"
#include "runui/rundialog.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

namespace {

const EntryList ThreePages = {{"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
const EntryList ThreeConditions = {{"時間", "0.1"}, {"即時"}, {"時間", "2"}};

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

// The three pages saved in a file and shown on page 1: every change makes the project unsaved.
std::unique_ptr<orvane> openSaved(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("p.cmdat"));
    if (!model::writeProjectFile(path, ThreePages, ThreeConditions).ok())
        return nullptr;
    auto window = makeWindow();
    window->openProjectAtStart(path);
    return window;
}

} // namespace

class tst_EditorConveniences : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init() { testsupport::writeReturningUser(); }

    // Each change is one step: undo gives back the saved project (counted as saved), redo the change (unsaved).
    void undoRedo_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<EntryList>("after");
        QTest::newRow("insert") << "insert"
                                << EntryList{{"なし"}, {"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
        QTest::newRow("typing merges") << "typing" << EntryList{ThreePages[0], ThreePages[1], {"入力", "abcxy", "3"}};
        QTest::newRow("drag") << "drag" << EntryList{ThreePages[1], ThreePages[2], ThreePages[0]};
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
        } else {
            const QPoint from = rowCentre(*window, QStringLiteral("1.なし"));
            mouse(*window, QEvent::MouseButtonPress, from, 1000);
            const QPoint to = rowCentre(*window, QStringLiteral("3.入力"));
            mouse(*window, QEvent::MouseMove, (from + to) / 2, 1100);
            mouse(*window, QEvent::MouseMove, to, 1200);
            mouse(*window, QEvent::MouseButtonRelease, to, 1300);
        }
        QCOMPARE(window->list_command, after);
        QVERIFY(asksAsUnsaved(*window));
        action(*window, "undoAction")->trigger();
        QCOMPARE(window->list_command, ThreePages);
        QCOMPARE(window->list_condition, ThreeConditions);
        QVERIFY(!asksAsUnsaved(*window));
        action(*window, "redoAction")->trigger();
        QCOMPARE(window->list_command, after);
        QVERIFY(asksAsUnsaved(*window));
    }

    // The window's shortcuts act while the window is active, the page list's while the list has the focus.
    void shortcuts_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("actionName");
        const QString rows = QStringLiteral(
            "Ctrl+N newFileAction|Ctrl+O openAction|Ctrl+S overwriteSaveAction|Ctrl+Shift+S saveAsAction|F5 runAction|"
            "Ctrl+Z undoAction|Ctrl+Shift+Z redoAction|Ctrl+Y redoAction|Ctrl+C pageCopyAction|Ctrl+V pagePasteAction|"
            "Del pageDeleteAction|Alt+Left previousPageAction|Alt+Right nextPageAction");
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
        QCOMPARE(window->list_command, ThreePages);
        QCOMPARE(currentPage(*window), 3);
    }

    void repairedFileOpensUnsavedWithAMessage()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("r.cmdat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"list_command": [["クリック"]], "list_condition": [["時間", "2"], ["即時"]]})");
        file.close();
        auto window = makeWindow();
        {
            BoxAnswerer answerer;
            window->openProjectAtStart(file.fileName());
            QTRY_COMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.at(0).title, QStringLiteral("ファイルの修復"));
            QVERIFY(answerer.seen.at(0).text.contains(QStringLiteral("1ページ目")));
        }
        QCOMPARE(window->list_command.size(), 2);
        QVERIFY(asksAsUnsaved(*window));
    }

    // 保存して終了 writes the project (a failed save keeps the window: tst_mainwindow); the recent-files list
    // survives the restart and reopens it; a file gone since is dropped with a message.
    void saveAndQuitThenRecentFiles()
    {
        QTemporaryDir dir;
        {
            auto first = openSaved(dir);
            action(*first, "moveDownAction")->trigger();
            BoxAnswerer answerer({QMessageBox::Save});
            QVERIFY(first->close());
        }
        auto window = makeEditor();
        QAction* recent = action(*window, "recentFileAction1");
        QVERIFY(recent && recent->text().contains(QStringLiteral("p.cmdat")));
        recent->trigger();
        QCOMPARE(window->list_command, (EntryList{ThreePages[1], ThreePages[0], ThreePages[2]}));
        QCOMPARE(window->windowTitle(), QStringLiteral("p"));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("p.cmdat"))));
        BoxAnswerer answerer;
        recent = action(*window, "recentFileAction1"); // the list was rebuilt by the opening
        QVERIFY(recent);
        recent->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!action(*window, "recentFileAction1"));
    }

    // キャンセル ends the run dialog's key capture with the stop command it had.
    void runDialogCaptureCancels()
    {
        RunDialog dialog(5, 1, QStringLiteral("65,2"), true);
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("hotKeyButton"))->click();
        QVERIFY(fake().captureActive());
        dialog.findChild<QPushButton*>(QStringLiteral("cancelCaptureButton"))->click();
        QVERIFY(!fake().captureActive());
        QCOMPARE(dialog.getStopCommand(), QStringLiteral("65,2"));
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("startButton"))->isVisible());
    }
};

QTEST_MAIN(tst_EditorConveniences)
#include "tst_editorconveniences.moc"
