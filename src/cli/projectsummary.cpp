#include "projectsummary.h"

#include "model/keycombination.h"

#include <QCoreApplication>
#include <QStringList>

namespace cli {

namespace {

QString seconds(const QString& stored)
{
    return QCoreApplication::translate("cli", "%1 秒").arg(stored);
}

QString withDetails(const QString& kind, const QStringList& details)
{
    return details.isEmpty() ? model::kindLabel(kind)
                             : QCoreApplication::translate("cli", "%1（%2）")
                                   .arg(model::kindLabel(kind), details.join(QCoreApplication::translate("cli", "、")));
}

QString shownText(QString text)
{
    // One line per page: line breaks and tabs of a typed text are shown as escapes.
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    return QCoreApplication::translate("cli", "「%1」").arg(text);
}

} // namespace

QString describeOperation(const model::Entry& command, bool showText)
{
    const QString kind = model::entryKind(command);
    const QString point = QStringLiteral("%1, %2").arg(model::coordinateX(command), model::coordinateY(command));
    if (kind == model::kind::None)
        return model::kindLabel(kind);
    if (kind == model::kind::Click)
        return withDetails(kind,
                           {model::kindLabel(model::clickButton(command)), seconds(model::commandSeconds(command))});
    if (kind == model::kind::Pointer)
        return withDetails(kind, {point});
    if (kind == model::kind::SmoothMove)
        return withDetails(kind, {point, seconds(model::commandSeconds(command))});
    if (kind == model::kind::Key)
        return withDetails(
            kind, {keys::keyCombinationLabel(model::keyCombination(command)), seconds(model::commandSeconds(command))});
    if (kind == model::kind::Input)
        return withDetails(
            kind, {showText ? shownText(model::inputText(command))
                            : QCoreApplication::translate("cli", "%1 文字").arg(model::inputText(command).size()),
                   seconds(model::commandSeconds(command))});
    // A kind this version does not know is shown with its stored elements as they are.
    return withDetails(kind, command.mid(1));
}

QString describeCondition(const model::Entry& condition)
{
    const QString kind = model::entryKind(condition);
    if (kind == model::kind::Immediate)
        return model::kindLabel(kind);
    if (kind == model::kind::Time)
        return withDetails(kind, {seconds(model::waitSeconds(condition))});
    if (kind == model::kind::KeyCondition)
        return withDetails(kind, {keys::keyCombinationLabel(model::keyCombination(condition))});
    return withDetails(kind, condition.mid(1));
}

} // namespace cli
