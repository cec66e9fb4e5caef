// Keyboard capture of the editor: while a key operation or key condition waits for its combination, every key the
// user presses on the desktop is swallowed and the first complete combination is written into the current page.

#include "app/orvane.h"
#include "platform/inputservices.h"
#include "run/keycombination.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcCapture, "orvane.keycapture")

const QString CapturePrompt = QStringLiteral("単一または複数キーを押してください");

// The editor's capture instance. The capture procedure reaches it without the window, so that a procedure called
// late by the desktop never touches a destroyed window.
keys::KeyCaptureState editorCapture;
platform::CaptureHandle editorCaptureHandle = 0;

} // namespace

bool orvane::installKeyCapture()
{
    if (editorCaptureHandle != 0)
        return true;
    editorCaptureHandle = platform::services().installKeyboardCapture(
        [](int message, int vk) { return keys::applyCaptureRule(editorCapture, message, vk); });
    return editorCaptureHandle != 0;
}

void orvane::removeKeyCapture()
{
    editorCapture.capturing.exchange(0);
    if (editorCaptureHandle != 0) {
        platform::services().removeKeyboardCapture(editorCaptureHandle);
        editorCaptureHandle = 0;
    }
}

bool orvane::keyCaptureInProgress() const
{
    return editorCapture.capturing.load() == 1;
}

void orvane::setCaptureMode(bool capturing, bool forCondition)
{
    if (capturing) {
        // Only the frame of the area being filled stays lit.
        commandGroup->setEnabled(forCondition);
        conditionGroup->setEnabled(!forCondition);
        // The page controls go with their frame: a capture finished after a page change would land on another page.
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 pageGroup, commandCombo, addCommandButton, conditionCombo, addConditionButton, runButton, menuBar(),
                 nextPageButton, returnPageButton, deletePageButton, pageList, copyButton, pasteButton})
            widget->setEnabled(false);
        if (forCondition) {
            conditionKeyLabel->setText(CapturePrompt);
            conditionSecondsLabel->hide();
            conditionSecondsSpin->hide();
        } else {
            commandKeyLabel->setText(CapturePrompt);
            commandSecondsLabel->hide();
            commandSecondsSpin->hide();
        }
        return;
    }
    for (QWidget* widget :
         std::initializer_list<QWidget*>{commandGroup, conditionGroup, pageGroup, commandCombo, addCommandButton,
                                         conditionCombo, addConditionButton, runButton, menuBar(), nextPageButton,
                                         returnPageButton, deletePageButton, pageList, copyButton, pasteButton})
        widget->setEnabled(true);
}

void orvane::startKeyCapture(bool forCondition, const QStringList& previousEntry)
{
    captureForCondition = forCondition;
    if (forCondition)
        currentCondition() = model::defaultConditionEntry(model::kind::KeyCondition);
    else
        currentCommand() = model::defaultCommandEntry(model::kind::Key);
    editorCapture.begin();
    refreshPage();
    setCaptureMode(true, forCondition);

    if (installKeyCapture()) {
        keyPollTimer->start(50);
        return;
    }

    qCWarning(lcCapture) << "Keyboard capture could not be installed:"
                         << QString::fromStdString(platform::services().lastError());
    editorCapture.capturing.exchange(0);
    setCaptureMode(false, forCondition);
    // Without a capture the page could never be completed; it gets back what it held before "追加", and the user can
    // go on editing or try again.
    if (forCondition)
        currentCondition() = previousEntry;
    else
        currentCommand() = previousEntry;
    refreshPage();
    (forCondition ? conditionLabel : commandLabel)->setText(QStringLiteral("キーフックに失敗"));
}

void orvane::pollKeystroke()
{
    const int key = editorCapture.capturedKey.load();
    if (key == 0)
        return;
    keyPollTimer->stop();
    removeKeyCapture();
    const QString text = keys::keyCombinationText(key, editorCapture.capturedMask.load());
    if (captureForCondition)
        currentCondition() = QStringList{model::kind::KeyCondition, text};
    else
        currentCommand() = QStringList{model::kind::Key, text, QStringLiteral("0.01")};
    setCaptureMode(false, captureForCondition);
    refreshPage();
}
