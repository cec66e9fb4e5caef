#pragma once

// Shared by the editor's widget tests: a main window on the fake backend, shown with the editor or the start screen.

#include "app/orvane.h"
#include "testsupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace editortest {

using testsupport::BoxAnswerer;
using testsupport::fake;

inline std::unique_ptr<orvane> makeWindow()
{
    auto window = std::make_unique<orvane>();
    window->show();
    return window;
}

inline std::unique_ptr<orvane> makeEditor()
{
    auto window = makeWindow();
    window->newProjectButton->click();
    return window;
}

inline bool shown(const orvane& window, const QWidget* widget)
{
    return widget->isVisibleTo(&window);
}

inline QStringList rows(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Shows page `page` of the given project through the window's own refresh.
inline void showProject(orvane& window, const model::EntryList& commands, const model::EntryList& conditions, int page)
{
    window.list_command = commands;
    window.list_condition = conditions;
    window.currentPage = page + 1;
    QMetaObject::invokeMethod(&window, "returnPage");
}

inline void addCommandKind(orvane& window, const QString& kind)
{
    window.commandCombo->setCurrentText(kind);
    window.addCommandButton->click();
}

inline void addConditionKind(orvane& window, const QString& kind)
{
    window.conditionCombo->setCurrentText(kind);
    window.addConditionButton->click();
}

} // namespace editortest
