// Operation and condition editing: the kind selectors, "追加", writing edited values into the current page, and the
// page display refresh that every change ends with.

#include "app/orvane.h"
#include "model/projectfile.h"
#include "run/keycombination.h"
#include "settings/config.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcEditor, "orvane.editor")

// The seconds of a time box for the model: 0.01, 0.1, 1, 12.5, 1000.
QString seconds(const QDoubleSpinBox* spin)
{
    return model::secondsText(spin->value());
}

void setSeconds(QDoubleSpinBox* spin, const QString& text)
{
    // The box rounds and clamps; the entry keeps its own text until a widget of the page changes.
    spin->setValue(text.toFloat());
}

void setCoordinate(QSpinBox* spin, const QString& text)
{
    spin->setValue(text.toInt(nullptr, 10));
}

} // namespace

QStringList& orvane::currentCommand()
{
    return list_command[currentPage - 1];
}

QStringList& orvane::currentCondition()
{
    return list_condition[currentPage - 1];
}

void orvane::addNewCommand()
{
    filePath = settings::desktopDirectory();
    openEditor();
}

void orvane::openEditor()
{
    newProjectButton->hide();
    loadProjectButton->hide();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             commandGroup, conditionGroup, pageGroup, commandCombo, addCommandButton, commandLabel, conditionCombo,
             addConditionButton, conditionLabel, conditionSecondsSpin, conditionSecondsLabel, runButton, nextPageButton,
             pageCountLabel, pageList, copyButton})
        widget->show();
    refreshPage();
}

void orvane::changeMenuAddCommand()
{
    selectedCommandKind = commandCombo->currentText();
}

void orvane::changeMenuAddCondition()
{
    selectedConditionKind = conditionCombo->currentText();
}

void orvane::addCommand()
{
    if (keyPollTimer->isActive())
        return;
    const QStringList previous = currentCommand();
    currentCommand() = model::defaultCommandEntry(selectedCommandKind);
    // A smooth move and typing take time of their own: the page's wait is stretched to cover them.
    if (selectedCommandKind == model::kind::SmoothMove && currentCondition().at(0) == model::kind::Time)
        currentCondition()[1] = QStringLiteral("1.1");
    if (selectedCommandKind == model::kind::Input && currentCondition().at(0) == model::kind::Time)
        currentCondition()[1] = QStringLiteral("3.1");
    if (selectedCommandKind == model::kind::Key) {
        refreshPage();
        startKeyCapture(false, previous);
        return;
    }
    refreshPage();
}

void orvane::addCondition()
{
    if (keyPollTimer->isActive())
        return;
    const QStringList previous = currentCondition();
    currentCondition() = model::defaultConditionEntry(selectedConditionKind);
    if (selectedConditionKind == model::kind::KeyCondition) {
        refreshPage();
        startKeyCapture(true, previous);
        return;
    }
    refreshPage();
}

void orvane::changeSomeThing()
{
    if (isRefreshing)
        return;
    QStringList& command = currentCommand();
    QStringList& condition = currentCondition();
    const QString commandKind = command.at(0);
    const QString conditionKind = condition.at(0);

    if (commandKind == model::kind::Input) {
        command[1] = textEdit->toPlainText();
        // Until there is something to type the page is incomplete, and nothing may leave it.
        setNavigationVisible(!command.at(1).isEmpty());
        hideUnavailablePageButtons();
        command[2] = seconds(commandSecondsSpin);
    }
    if (commandKind == model::kind::Click) {
        command[2] = seconds(commandSecondsSpin);
        command[1] = clickCombo->currentText();
    }
    if (commandKind == model::kind::SmoothMove) {
        command[1] = model::coordinateText(smoothXSpin->value());
        command[2] = model::coordinateText(smoothYSpin->value());
        command[3] = seconds(commandSecondsSpin);
    }
    if (commandKind == model::kind::Key)
        command[2] = seconds(commandSecondsSpin);
    if (conditionKind == model::kind::Time)
        condition[1] = seconds(conditionSecondsSpin);
    if (commandKind == model::kind::Pointer) {
        command[1] = model::coordinateText(pointerXSpin->value());
        command[2] = model::coordinateText(pointerYSpin->value());
    }
}

void orvane::setNavigationVisible(bool visible)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{runButton, nextPageButton, returnPageButton,
                                                           deletePageButton, addCommandButton, addConditionButton,
                                                           menuBar(), pageList, copyButton, pasteButton})
        widget->setVisible(visible);
}

void orvane::hideUnavailablePageButtons()
{
    if (currentPage == 1)
        returnPageButton->hide();
    if (list_command.size() == 1)
        deletePageButton->hide();
    if (copiedCommand.isEmpty())
        pasteButton->hide();
}

void orvane::refreshPage()
{
    isRefreshing = true;

    for (QWidget* widget : std::initializer_list<QWidget*>{
             commandSecondsLabel, conditionSecondsLabel, clickCombo, textEdit, commandSecondsSpin, conditionSecondsSpin,
             commandKeyLabel, conditionKeyLabel, pointerXLabel, pointerXSpin, pointerYLabel, pointerYSpin,
             pointerGetButton, smoothXLabel, smoothXSpin, smoothYLabel, smoothYSpin, smoothGetButton, testButton})
        widget->hide();

    if (currentPage != 1)
        returnPageButton->show();
    if (!copiedCommand.isEmpty())
        pasteButton->show();
    if (list_command.size() != 1)
        deletePageButton->show();
    runButton->show();
    addConditionButton->show();
    menuBar()->show();

    // Set once below: a page that no longer waits for a key or a text must get its controls back, whichever way it
    // left that state.
    bool navigation = true;
    const QStringList& e = currentCommand();
    const QString& commandKind = e.at(0);
    if (commandKind == model::kind::None) {
        commandLabel->setText(model::kind::None);
    } else if (commandKind == model::kind::Click) {
        setSeconds(commandSecondsSpin, e.at(2));
        commandLabel->setText(model::kind::Click);
        commandSecondsSpin->show();
        commandSecondsLabel->show();
        clickCombo->show();
        clickCombo->setCurrentText(e.at(1));
    } else if (commandKind == model::kind::Pointer) {
        pointerXLabel->show();
        pointerXSpin->show();
        pointerYLabel->show();
        pointerYSpin->show();
        testButton->show();
        pointerGetButton->show();
        setCoordinate(pointerXSpin, e.at(1));
        setCoordinate(pointerYSpin, e.at(2));
        commandLabel->setText(model::kind::Pointer);
    } else if (commandKind == model::kind::SmoothMove) {
        smoothXLabel->show();
        smoothXSpin->show();
        smoothYLabel->show();
        smoothYSpin->show();
        commandSecondsSpin->show();
        commandSecondsLabel->show();
        testButton->show();
        smoothGetButton->show();
        setCoordinate(smoothXSpin, e.at(1));
        setCoordinate(smoothYSpin, e.at(2));
        setSeconds(commandSecondsSpin, e.at(3));
        commandLabel->setText(model::kind::SmoothMove);
    } else if (commandKind == model::kind::Key) {
        commandKeyLabel->show();
        commandSecondsSpin->show();
        commandSecondsLabel->show();
        setSeconds(commandSecondsSpin, e.at(2));
        commandKeyLabel->setText(keys::keyCombinationLabel(e.at(1)));
        commandLabel->setText(model::kind::Key);
        navigation = !keys::isNoCombination(e.at(1));
    } else if (commandKind == model::kind::Input) {
        commandLabel->setText(model::kind::Input);
        textEdit->show();
        commandSecondsSpin->show();
        commandSecondsLabel->show();
        // Plain text: a text that looks like markup must come back exactly as typed.
        textEdit->setPlainText(e.at(1));
        setSeconds(commandSecondsSpin, e.at(2));
        navigation = !e.at(1).isEmpty();
    }

    const QStringList& c = currentCondition();
    const QString& conditionKind = c.at(0);
    if (conditionKind == model::kind::Immediate) {
        conditionLabel->setText(model::kind::Immediate);
    } else if (conditionKind == model::kind::Time) {
        conditionSecondsSpin->show();
        conditionSecondsLabel->show();
        setSeconds(conditionSecondsSpin, c.at(1));
        conditionLabel->setText(model::kind::Time);
    } else if (conditionKind == model::kind::KeyCondition) {
        conditionKeyLabel->show();
        conditionKeyLabel->setText(keys::keyCombinationLabel(c.at(1)));
        conditionLabel->setText(model::kind::KeyCondition);
        navigation = !keys::isNoCombination(c.at(1));
    }
    setNavigationVisible(navigation);

    hideUnavailablePageButtons();

    // A key entry without a combination and no capture running (a file saved that way, or a capture that ended on
    // another page) would otherwise lock the page for good: "追加" stays reachable so the user can capture again or
    // pick another kind.
    const bool keyWithoutCombination =
        (commandKind == model::kind::Key && keys::isNoCombination(e.at(1))) ||
        (conditionKind == model::kind::KeyCondition && keys::isNoCombination(c.at(1)));
    if (keyWithoutCombination && !keyCaptureInProgress()) {
        addCommandButton->show();
        addConditionButton->show();
    }

    QStringList rows;
    rows.reserve(list_command.size());
    for (qsizetype i = 0; i < list_command.size(); ++i)
        rows << QStringLiteral("%1.%2").arg(i + 1).arg(list_command.at(i).at(0));
    qCDebug(lcEditor) << "Page rows:" << rows;
    pageList->clear();
    pageList->addItems(rows);
    pageList->insertItem(currentPage - 1, QStringLiteral("+"));
    pageList->insertItem(currentPage + 1, QStringLiteral("+"));
    pageList->setCurrentRow(currentPage);
    if (QListWidgetItem* item = pageList->currentItem())
        pageList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    pageCountLabel->setText(QStringLiteral("%1/%2").arg(currentPage).arg(list_command.size()));
    setWindowTitle(model::projectTitle(filePath, settings::desktopDirectory()));

    qCDebug(lcEditor) << "list_command:" << list_command;
    qCDebug(lcEditor) << "list_condition:" << list_condition;
    isRefreshing = false;
}
