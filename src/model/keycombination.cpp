#include "keycombination.h"

#include <QCoreApplication>
#include <QStringList>

namespace keys {

QString keyName(int code)
{
    switch (code) {
    case 8: return QStringLiteral("Backspace");
    case 9: return QStringLiteral("Tab");
    case 13: return QStringLiteral("Enter");
    case 27: return QStringLiteral("Esc");
    case 32: return QStringLiteral("Space");
    case 33: return QStringLiteral("PageUp");
    case 34: return QStringLiteral("PageDown");
    case 35: return QStringLiteral("End");
    case 36: return QStringLiteral("Home");
    case 37: return QStringLiteral("Left");
    case 38: return QStringLiteral("Up");
    case 39: return QStringLiteral("Right");
    case 40: return QStringLiteral("Down");
    case 45: return QStringLiteral("Insert");
    case 46: return QStringLiteral("Delete");
    case vk::Apps: return QStringLiteral("Menu");
    default: break;
    }
    switch (vk::modifierOf(code)) {
    case vk::ModControl: return QStringLiteral("Ctrl");
    case vk::ModAlt: return QStringLiteral("Alt");
    case vk::ModShift: return QStringLiteral("Shift");
    case vk::ModWin: return QStringLiteral("Win");
    default: break;
    }
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return QString(QChar(code));
    if (code >= 112 && code <= 135)
        return QStringLiteral("F%1").arg(code - 111);
    return QStringLiteral("VK%1").arg(static_cast<quint32>(code));
}

bool isNoCombination(const QString& text)
{
    return text.isEmpty() || text == QStringLiteral("なし");
}

bool parseKeyCombination(const QString& text, KeyCombination* out)
{
    if (isNoCombination(text))
        return false;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    bool ok = false;
    const int key = parts.at(0).toInt(&ok, 10);
    if (!ok)
        return false;
    int mask = 0;
    if (parts.size() > 1) {
        bool maskOk = false;
        const int value = parts.at(1).toInt(&maskOk, 10);
        if (maskOk)
            mask = value;
    }
    if (out) {
        out->key = key;
        out->storedMask = mask;
    }
    return true;
}

KeyPress readKeyPress(const QString& text)
{
    KeyCombination combination;
    if (!parseKeyCombination(text, &combination) || combination.key == 0)
        return {};
    KeyPress press{combination.key, combination.storedMask, 0};
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    bool ok = false;
    const double hold = parts.size() > 2 ? parts.at(2).toDouble(&ok) : 0;
    if (ok && hold > 0)
        press.holdSeconds = hold;
    return press;
}

QString keyCombinationText(int capturedKey, int modifierMask)
{
    return QStringLiteral("%1,%2").arg(capturedKey).arg(modifierMask);
}

QString keyCombinationLabel(const QString& text, UnreadableText unreadable)
{
    if (isNoCombination(text))
        return QCoreApplication::translate("model::kind", "なし");
    KeyCombination combo;
    if (!parseKeyCombination(text, &combo))
        return unreadable == UnreadableText::ShowInvalid ? QCoreApplication::translate("model", "無効なキー") : text;
    QStringList names;
    if (combo.storedMask & vk::ModControl)
        names << QStringLiteral("Ctrl");
    if (combo.storedMask & vk::ModAlt)
        names << QStringLiteral("Alt");
    if (combo.storedMask & vk::ModShift)
        names << QStringLiteral("Shift");
    if (combo.storedMask & vk::ModWin)
        names << QStringLiteral("Win");
    if (!(vk::isModifierKey(combo.key) && !names.isEmpty()))
        names << keyName(combo.key);
    return names.join(QLatin1Char('+'));
}

} // namespace keys
