// The undo history on its own: merged keystrokes, the page a step comes back with, redo given up by a new change.
// The window's use of it (each kind of change, the unsaved flag) is tested in tst_editorconveniences.

#include "editor/projecthistory.h"

#include <QTest>

class tst_ProjectHistory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stepsMergeAndBranch()
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

QTEST_MAIN(tst_ProjectHistory)
#include "tst_projecthistory.moc"
