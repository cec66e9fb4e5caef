#pragma once

// Shared by the editor's window tests: a main window on the fake backend, its widgets found by object name, and a
// project shown through the window's own refresh and page buttons.

#include "app/orvane.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace editortest {

using testsupport::BoxAnswerer;
using testsupport::fake;

template <typename W = QWidget> W* child(const orvane& window, const char* name)
{
    return window.findChild<W*>(QLatin1String(name));
}

inline QPushButton* button(const orvane& window, const char* name)
{
    return child<QPushButton>(window, name);
}

inline QAction* action(const orvane& window, const char* name)
{
    return child<QAction>(window, name);
}

inline QString text(const orvane& window, const char* labelName)
{
    return child<QLabel>(window, labelName)->text();
}

inline bool shown(const orvane& window, const char* name)
{
    const QWidget* widget = QLatin1String(name) == QLatin1String("menuBar") ? window.menuBar() : child(window, name);
    return widget->isVisibleTo(&window);
}

inline std::unique_ptr<orvane> makeWindow()
{
    auto window = std::make_unique<orvane>();
    window->show();
    return window;
}

inline std::unique_ptr<orvane> makeEditor()
{
    auto window = makeWindow();
    button(*window, "newProjectButton")->click();
    return window;
}

inline QStringList rows(const orvane& window)
{
    const auto* list = child<QListWidget>(window, "pageList");
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

inline int currentPage(const orvane& window)
{
    return text(window, "pageCountLabel").section(QLatin1Char('/'), 0, 0).toInt();
}

// Shows page `page` (1-based) of the given project, which must have at least as many pages as the one shown: the
// window refreshes, then "←" and "→" move to the page.
inline void showProject(orvane& window, const model::EntryList& commands, const model::EntryList& conditions, int page)
{
    window.list_command = commands;
    window.list_condition = conditions;
    window.refreshPage();
    while (currentPage(window) > page)
        button(window, "returnPageButton")->click();
    while (currentPage(window) < page)
        button(window, "nextPageButton")->click();
}

inline void addCommandKind(orvane& window, const QString& kind)
{
    child<QComboBox>(window, "commandCombo")->setCurrentText(kind);
    button(window, "addCommandButton")->click();
}

inline void addConditionKind(orvane& window, const QString& kind)
{
    child<QComboBox>(window, "conditionCombo")->setCurrentText(kind);
    button(window, "addConditionButton")->click();
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
