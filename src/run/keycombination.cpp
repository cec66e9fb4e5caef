#include "keycombination.h"

#include "platform/inputservices.h"

#include <QStringList>

namespace keys {

QString keyName(int vk)
{
    switch (vk) {
    case 8: return QStringLiteral("Backspace");
    case 9: return QStringLiteral("Tab");
    case 13: return QStringLiteral("Enter");
    case 16: case 160: case 161: return QStringLiteral("Shift");
    case 17: case 162: case 163: return QStringLiteral("Ctrl");
    case 18: case 164: case 165: return QStringLiteral("Alt");
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
    case 91: case 92: return QStringLiteral("Win");
    case 93: return QStringLiteral("Menu");
    default: break;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return QString(QChar(vk));
    if (vk >= 112 && vk <= 135)
        return QStringLiteral("F%1").arg(vk - 111);
    return QStringLiteral("VK%1").arg(static_cast<quint32>(vk));
}

int modifierBit(int vk)
{
    switch (vk) {
    case 17: case 162: case 163: return CtrlBit;
    case 18: case 164: case 165: return AltBit;
    case 16: case 160: case 161: return ShiftBit;
    case 91: case 92: return WinBit;
    default: return 0;
    }
}

int sideNeutral(int vk)
{
    switch (vk) {
    case 160: case 161: return 16;
    case 162: case 163: return 17;
    case 164: case 165: return 18;
    default: return vk;
    }
}

bool isModifierKey(int vk)
{
    return modifierBit(vk) != 0;
}

int toStoredMask(int modifierMask)
{
    int stored = modifierMask & (ShiftBit | WinBit);
    if (modifierMask & CtrlBit)
        stored |= StoredCtrl;
    if (modifierMask & AltBit)
        stored |= StoredAlt;
    return stored;
}

int asyncModifierMask()
{
    auto& input = platform::services();
    int mask = 0;
    if (input.isKeyDown(17))
        mask |= CtrlBit;
    if (input.isKeyDown(18))
        mask |= AltBit;
    if (input.isKeyDown(16))
        mask |= ShiftBit;
    if (input.isKeyDown(91) || input.isKeyDown(92))
        mask |= WinBit;
    return mask;
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

QString keyCombinationText(int capturedKey, int capturedModifierMask)
{
    return QStringLiteral("%1,%2").arg(capturedKey).arg(toStoredMask(capturedModifierMask));
}

QString keyCombinationLabel(const QString& text, UnreadableText unreadable)
{
    if (isNoCombination(text))
        return QStringLiteral("なし");
    KeyCombination combo;
    if (!parseKeyCombination(text, &combo))
        return unreadable == UnreadableText::ShowInvalid ? QStringLiteral("無効なキー") : text;
    QStringList names;
    if (combo.storedMask & StoredCtrl)
        names << QStringLiteral("Ctrl");
    if (combo.storedMask & StoredAlt)
        names << QStringLiteral("Alt");
    if (combo.storedMask & StoredShift)
        names << QStringLiteral("Shift");
    if (combo.storedMask & StoredWin)
        names << QStringLiteral("Win");
    if (!(isModifierKey(combo.key) && !names.isEmpty()))
        names << keyName(combo.key);
    return names.join(QLatin1Char('+'));
}

void KeyCaptureState::begin()
{
    capturedKey.exchange(0);
    capturedMask.exchange(0);
    heldModifiers.exchange(0);
    capturing.exchange(1);
}

void KeyCaptureState::setHeldModifier(int vk)
{
    const int bit = modifierBit(vk);
    if (bit != 0)
        heldModifiers.fetch_or(bit);
}

void KeyCaptureState::clearHeldModifier(int vk)
{
    const int bit = modifierBit(vk);
    if (bit != 0)
        heldModifiers.fetch_and(~bit);
}

bool applyCaptureRule(KeyCaptureState& state, int message, int vk)
{
    if (state.capturing.load() != 1)
        return false;
    if (message == platform::WmKeyDown || message == platform::WmSysKeyDown) {
        if (isModifierKey(vk)) {
            state.setHeldModifier(vk);
        } else {
            int mask = state.heldModifiers.load();
            if (mask == 0)
                mask = asyncModifierMask();
            // Mask first: a poller that sees the new key code also sees its mask.
            state.capturedMask.exchange(mask);
            state.capturedKey.exchange(vk);
        }
        return true;
    }
    if (message == platform::WmKeyUp || message == platform::WmSysKeyUp) {
        if (isModifierKey(vk)) {
            if (state.capturedKey.load() == 0 && state.heldModifiers.load() == modifierBit(vk)) {
                state.capturedMask.exchange(0);
                state.capturedKey.exchange(vk);
            }
            state.clearHeldModifier(vk);
        }
        return true;
    }
    return false;
}

} // namespace keys
