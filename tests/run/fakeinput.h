#pragma once

// Shared helpers of the run tests: the events the fake backend recorded,
// written compactly ("K17+" key 17 down, "U97-" unit 97 up, "L+" / "R-" mouse buttons, "P10,20" pointer move).

#include "testsupport.h"

#include <QString>
#include <QStringList>

inline QString eventText(const platform::FakeEvent& e)
{
    using Kind = platform::FakeEvent::Kind;
    const QString sign = e.down ? QStringLiteral("+") : QStringLiteral("-");
    switch (e.kind) {
    case Kind::Key:
        return QStringLiteral("K%1").arg(e.code) + sign;
    case Kind::Unicode:
        return QStringLiteral("U%1").arg(e.code) + sign;
    case Kind::MouseButton:
        return (e.code == 0 ? QStringLiteral("L") : QStringLiteral("R")) + sign;
    case Kind::MoveTo:
        return QStringLiteral("P%1,%2").arg(e.x).arg(e.y);
    }
    return {};
}

inline QStringList eventTexts(const std::vector<platform::FakeEvent>& events)
{
    QStringList out;
    for (const auto& e : events)
        out << eventText(e);
    return out;
}

inline QStringList recorded(const platform::FakeServices& fake)
{
    return eventTexts(fake.events());
}
