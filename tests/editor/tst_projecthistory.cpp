// The undo history on its own: steps, merged keystrokes, the page a step comes back with, and redo given up by a new
// change. The window's use of it (every kind of change, the unsaved flag) is tested in tst_editorconveniences.

#include "editor/projecthistory.h"

#include <QTest>

using editor::ProjectSnapshot;

class tst_ProjectHistory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stepsMergeAndBranch()
    {
        const auto state = [](const QString& text, int page) {
            return ProjectSnapshot{{{"入力", text, "1"}}, {{"即時"}}, page};
        };
        editor::ProjectHistory history;
        history.reset(state("", 1));
        QVERIFY(!history.undo() && !history.redo());
        history.record(state("", 3)); // only the page moved: no step
        QVERIFY(!history.canUndo());
        history.record(state("a", 3), "text/1");
        history.record(state("ab", 3), "text/1");
        history.record(state("ab", 2));
        history.record(state("abc", 2), "text/1"); // another step: a different change came between
        QCOMPARE(history.undo()->commands.at(0).at(1), QStringLiteral("ab"));
        const auto first = history.undo();
        QCOMPARE(first->commands.at(0).at(1), QString());
        QCOMPARE(first->page, 3);
        QVERIFY(!history.canUndo());
        QCOMPARE(history.redo()->commands.at(0).at(1), QStringLiteral("ab"));
        QCOMPARE(history.redo()->page, 2);
        history.undo();
        history.record(state("x", 1), "text/1"); // not merged into the undone-to step
        QVERIFY(!history.canRedo());
        QCOMPARE(history.undo()->commands.at(0).at(1), QStringLiteral("ab"));
    }
};

QTEST_MAIN(tst_ProjectHistory)
#include "tst_projecthistory.moc"
