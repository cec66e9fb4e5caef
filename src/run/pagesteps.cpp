#include "pagesteps.h"

namespace steps {

namespace {

Operation readOperation(const model::Entry& command)
{
    const QString operation = model::entryKind(command);
    const double seconds = model::commandSeconds(command).toDouble();
    if (operation == model::kind::Click)
        return Click{model::clickButton(command) == model::LeftButton, seconds};
    const int x = model::coordinateX(command).toInt(nullptr, 10);
    const int y = model::coordinateY(command).toInt(nullptr, 10);
    if (operation == model::kind::Pointer)
        return MovePointer{x, y};
    if (operation == model::kind::SmoothMove)
        return SmoothMove{x, y, seconds};
    if (operation == model::kind::Key) {
        const QString combination = model::keyCombination(command);
        // The hold goes through single precision and the combination's text is read with the hold appended, as the
        // stored entry has always been read.
        const double hold = static_cast<double>(model::commandSeconds(command).toFloat());
        const QString text = QStringLiteral("%1,%2").arg(combination).arg(hold, 0, 'g', -1);
        return PressKey{keys::readKeyPress(text), keys::keyCombinationLabel(combination)};
    }
    if (operation == model::kind::Input)
        return TypeText{model::inputText(command), seconds};
    return Nothing{};
}

} // namespace

std::vector<Page> readPages(const model::EntryList& commands, const model::EntryList& conditions)
{
    std::vector<Page> pages;
    pages.reserve(static_cast<std::size_t>(commands.size()));
    for (qsizetype p = 0; p < commands.size(); ++p) {
        const model::Entry condition = conditions.value(p);
        const QString wait = model::entryKind(condition);
        Page page{readOperation(commands.at(p)), WaitTime{}, 0};
        if (wait == model::kind::Time) {
            page.ownSeconds = model::waitSeconds(condition).toDouble();
            page.condition = WaitTime{page.ownSeconds};
        } else if (wait == model::kind::KeyCondition) {
            keys::KeyCombination combination;
            if (!keys::parseKeyCombination(model::keyCombination(condition), &combination))
                combination = {};
            page.condition = WaitKey{combination};
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

} // namespace steps
