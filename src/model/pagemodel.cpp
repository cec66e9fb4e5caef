#include "pagemodel.h"

#include <QCoreApplication>

namespace model {

namespace {
// Marks the stored names for translation; they are looked up by their own text.
[[maybe_unused]] const char* const KindLabels[] = {
    QT_TRANSLATE_NOOP("model::kind", "なし"),
    QT_TRANSLATE_NOOP("model::kind", "クリック"),
    QT_TRANSLATE_NOOP("model::kind", "マウスポインター"),
    QT_TRANSLATE_NOOP("model::kind", "スムーズムーブ"),
    QT_TRANSLATE_NOOP("model::kind", "キー"),
    QT_TRANSLATE_NOOP("model::kind", "入力"),
    QT_TRANSLATE_NOOP("model::kind", "時間"),
    QT_TRANSLATE_NOOP("model::kind", "即時"),
    QT_TRANSLATE_NOOP("model::kind", "左"),
    QT_TRANSLATE_NOOP("model::kind", "右"),
};
} // namespace

QString kindLabel(const QString& storedName)
{
    return QCoreApplication::translate("model::kind", storedName.toUtf8().constData());
}

QStringList commandKinds()
{
    return {kind::None, kind::Click, kind::Pointer, kind::SmoothMove, kind::Key, kind::Input};
}

QStringList conditionKinds()
{
    return {kind::Time, kind::Immediate, kind::KeyCondition};
}

Entry freshCommand()
{
    return {kind::None};
}

Entry freshCondition()
{
    return {kind::Time, QStringLiteral("0.1")};
}

Entry defaultCommandEntry(const QString& kindName)
{
    if (kindName == kind::Click)
        return {kind::Click, LeftButton, QStringLiteral("0.01")};
    if (kindName == kind::Pointer)
        return {kind::Pointer, QStringLiteral("0"), QStringLiteral("0")};
    if (kindName == kind::SmoothMove)
        return {kind::SmoothMove, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1")};
    if (kindName == kind::Key)
        return {kind::Key, QString(), QStringLiteral("0.01")};
    if (kindName == kind::Input)
        return {kind::Input, QString(), QStringLiteral("3")};
    return {kindName};
}

Entry defaultConditionEntry(const QString& kindName)
{
    if (kindName == kind::Time)
        return {kind::Time, QStringLiteral("0.1")};
    if (kindName == kind::KeyCondition)
        return {kind::KeyCondition, QString()};
    return {kindName};
}

namespace {

int commandSecondsIndex(const QString& kindName)
{
    if (kindName == kind::SmoothMove)
        return 3;
    if (kindName == kind::Click || kindName == kind::Key || kindName == kind::Input)
        return 2;
    return -1;
}

void setField(Entry& entry, int index, const QString& value)
{
    while (entry.size() <= index)
        entry.append(QString());
    entry[index] = value;
}

} // namespace

QString entryKind(const Entry& entry)
{
    return entry.value(0);
}

QString clickButton(const Entry& command)
{
    return command.value(1);
}

QString coordinateX(const Entry& command)
{
    return command.value(1);
}

QString coordinateY(const Entry& command)
{
    return command.value(2);
}

QString keyCombination(const Entry& entry)
{
    return entry.value(1);
}

QString inputText(const Entry& command)
{
    return command.value(1);
}

QString commandSeconds(const Entry& command)
{
    const int index = commandSecondsIndex(entryKind(command));
    return index < 0 ? QString() : command.value(index);
}

QString waitSeconds(const Entry& condition)
{
    return condition.value(1);
}

void setClickButton(Entry& command, const QString& button)
{
    setField(command, 1, button);
}

void setCoordinates(Entry& command, const QString& x, const QString& y)
{
    setField(command, 1, x);
    setField(command, 2, y);
}

void setKeyCombination(Entry& entry, const QString& combination)
{
    setField(entry, 1, combination);
}

void setInputText(Entry& command, const QString& text)
{
    setField(command, 1, text);
}

void setCommandSeconds(Entry& command, const QString& seconds)
{
    const int index = commandSecondsIndex(entryKind(command));
    if (index >= 0)
        setField(command, index, seconds);
}

void setWaitSeconds(Entry& condition, const QString& seconds)
{
    setField(condition, 1, seconds);
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'g', 6);
}

QString coordinateText(int value)
{
    return QString::number(value);
}

bool isUnsaved(const EntryList& commands, const EntryList& conditions, const EntryList& savedCommands,
               const EntryList& savedConditions)
{
    return commands != savedCommands || conditions != savedConditions;
}

void appendPage(EntryList& commands, EntryList& conditions)
{
    commands.append(freshCommand());
    conditions.append(freshCondition());
}

bool insertPage(EntryList& commands, EntryList& conditions, int index)
{
    if (index < 0 || index > commands.size() || commands.size() != conditions.size())
        return false;
    commands.insert(index, freshCommand());
    conditions.insert(index, freshCondition());
    return true;
}

bool removePage(EntryList& commands, EntryList& conditions, int index)
{
    if (commands.size() <= 1 || index < 0 || index >= commands.size() || commands.size() != conditions.size())
        return false;
    commands.removeAt(index);
    conditions.removeAt(index);
    return true;
}

namespace {

// Pads an entry that is shorter than its kind needs with the kind's default parameters.
bool padEntry(Entry& entry, const Entry& defaults)
{
    if (entry.size() >= defaults.size())
        return false;
    for (qsizetype i = entry.size(); i < defaults.size(); ++i)
        entry.append(defaults.at(i));
    return true;
}

} // namespace

bool movePage(EntryList& commands, EntryList& conditions, int from, int to)
{
    const int count = int(commands.size());
    if (from < 0 || from >= count || to < 0 || to >= count || conditions.size() != commands.size())
        return false;
    commands.move(from, to);
    conditions.move(from, to);
    return true;
}

QStringList repairProject(EntryList& commands, EntryList& conditions)
{
    QStringList repairs;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        Entry& entry = commands[i];
        if (entry.isEmpty()) {
            entry = freshCommand();
            repairs << QCoreApplication::translate("model", "%1ページ目: 空の操作を「なし」にしました").arg(i + 1);
        } else if (padEntry(entry, defaultCommandEntry(entry.at(0)))) {
            repairs << QCoreApplication::translate("model", "%1ページ目: 足りない操作の設定を既定値で補いました")
                           .arg(i + 1);
        }
    }
    for (qsizetype i = 0; i < conditions.size(); ++i) {
        Entry& entry = conditions[i];
        if (entry.isEmpty()) {
            entry = freshCondition();
            repairs
                << QCoreApplication::translate("model", "%1ページ目: 空の条件を「時間 0.1秒」にしました").arg(i + 1);
        } else if (padEntry(entry, defaultConditionEntry(entry.at(0)))) {
            repairs << QCoreApplication::translate("model", "%1ページ目: 足りない条件の設定を既定値で補いました")
                           .arg(i + 1);
        }
    }
    if (commands.size() != conditions.size()) {
        repairs << QCoreApplication::translate("model",
                                               "操作 %1 件と条件 %2 件の数が合わないため、新しいページで補いました")
                       .arg(commands.size())
                       .arg(conditions.size());
        while (commands.size() < conditions.size())
            commands.append(freshCommand());
        while (conditions.size() < commands.size())
            conditions.append(freshCondition());
    }
    if (commands.isEmpty()) {
        appendPage(commands, conditions);
        repairs << QCoreApplication::translate("model", "ページがないため、新しいページを1つ追加しました");
    }
    return repairs;
}

} // namespace model
