#pragma once

// Shared by the editor's window tests: a main window on the fake backend, its widgets found by object name, and a
// project shown through the window's own refresh and page buttons.

#include "app/orvane.h"
#include "dialogs/filechooser.h"
#include "editor/editedproject.h"
#include "model/projectfile.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace editortest {

using testsupport::BoxAnswerer;
using testsupport::fake;

template <typename W = QWidget> W* child(const orvane& window, const QString& name)
{
    return window.findChild<W*>(name);
}

inline QPushButton* button(const orvane& window, const QString& name)
{
    return child<QPushButton>(window, name);
}

inline QAction* action(const orvane& window, const QString& name)
{
    return child<QAction>(window, name);
}

inline QString text(const orvane& window, const QString& labelName)
{
    return child<QLabel>(window, labelName)->text();
}

// The menu bar counts as "menuBar".
inline QWidget* widget(const orvane& window, const QString& name)
{
    return name == QLatin1String("menuBar") ? window.menuBar() : child(window, name);
}

inline bool shown(const orvane& window, const QString& name)
{
    return widget(window, name)->isVisibleTo(&window);
}

// The project the window edits, as its pages hold it.
inline editor::EditedProject& project(const orvane& window)
{
    return *window.findChild<editor::EditedProject*>();
}

inline std::unique_ptr<orvane> makeWindow()
{
    auto window = std::make_unique<orvane>();
    window->show();
    return window;
}

// The three pages saved in a file and shown on page 1: every change makes the project unsaved.
inline const model::EntryList ThreePages = {{"なし"}, {"クリック", "左", "0.01"}, {"入力", "abc", "3"}};
inline const model::EntryList ThreeConditions = {{"時間", "0.1"}, {"即時"}, {"時間", "2"}};

inline std::unique_ptr<orvane> openSaved(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("p.cmdat"));
    if (!model::writeProjectFile(path, ThreePages, ThreeConditions).ok())
        return nullptr;
    auto window = makeWindow();
    window->openProjectAtStart(path);
    return window;
}

inline std::unique_ptr<orvane> makeEditor()
{
    auto window = makeWindow();
    button(*window, "newProjectButton")->click();
    return window;
}

inline int currentPage(const orvane& window)
{
    return text(window, "pageCountLabel").section(QLatin1Char('/'), 0, 0).toInt();
}

// Shows page `page` (1-based) of the given project, which must have at least as many pages as the one shown: the
// window refreshes, then "←" and "→" move to the page.
inline void showProject(orvane& window, const model::EntryList& commands, const model::EntryList& conditions, int page)
{
    project(window).replace(commands, conditions);
    while (currentPage(window) > page)
        button(window, "returnPageButton")->click();
    while (currentPage(window) < page)
        button(window, "nextPageButton")->click();
}

// Chooses `kind` in the operation ("command") or condition ("condition") box and presses its "追加".
inline void addKind(orvane& window, const QString& group, const QString& kind)
{
    child<QComboBox>(window, group + "Combo")->setCurrentText(kind);
    button(window, group == "command" ? "addCommandButton" : "addConditionButton")->click();
}

// Whether closing would ask about an unsaved project; the window stays open either way.
inline bool asksAsUnsaved(orvane& window)
{
    BoxAnswerer answerer({QMessageBox::Cancel});
    const bool closed = window.close();
    if (closed)
        window.show();
    return !closed;
}

} // namespace editortest
