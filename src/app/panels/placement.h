#pragma once

// The editor's controls are placed by pixel, as the window has always been drawn; these helpers say it once.

#include <QGroupBox>
#include <QLatin1String>
#include <QRect>
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

} // namespace panels
