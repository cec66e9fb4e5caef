#pragma once

// The editor's controls are placed by pixel, as the window has always been drawn; these helpers say it once.

#include "model/pagemodel.h"
#include "platform/inputservices.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLatin1String>
#include <QRect>
#include <QStandardItemModel>
#include <QString>
#include <QWidget>

namespace panels {

// Every widget carries its member name as object name, so that it can be found by name.
template <typename W> W* place(W* widget, const char* name, int x, int y, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->move(x, y);
    widget->setFixedSize(width, height);
    widget->hide();
    return widget;
}

inline QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    group->hide();
    return group;
}

// Stored names (kinds, click buttons) are offered by their translated labels and carry the stored name as item data,
// which is what the panel hands on: a file keeps the Japanese name whatever the interface language.
inline void addStoredNames(QComboBox* combo, const QStringList& storedNames)
{
    for (const QString& name : storedNames)
        combo->addItem(model::kindLabel(name), name);
}

// The stored name of the chosen item.
inline QString storedName(const QComboBox* combo)
{
    return combo->currentData().toString();
}

// Without a keyboard capture a key entry could never get its combination, and a key condition without a watch of the
// desktop's keys could never be met: the key kind is then offered disabled, its tool tip saying why.
inline void offerKeyKind(QComboBox* combo, const QString& keyKind, bool watched)
{
    auto* items = qobject_cast<QStandardItemModel*>(combo->model());
    const int row = combo->findData(keyKind);
    if (!items || row < 0)
        return;
    const platform::InputServices& desktop = platform::services();
    const bool blind = watched && desktop.isAvailable() && !desktop.canWatchKeys();
    items->item(row)->setEnabled(desktop.canCapture() && !blind);
    if (blind)
        items->item(row)->setToolTip(QCoreApplication::translate(
            "panels",
            "このデスクトップ（Wayland）では、アプリケーションがデスクトップ全体のキーを監視できないため使えません。"));
    else if (desktop.isAvailable() && !desktop.canCapture())
        items->item(row)->setToolTip(
            QCoreApplication::translate("panels", "このデスクトップ（Wayland）では、アプリケーションがキーボードを横"
                                                  "取りできないため、キーを登録できません。"));
}

} // namespace panels
