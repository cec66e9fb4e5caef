#pragma once

// The operation's frame: the kind to add with 追加, the title of the page's operation and the controls of its
// parameters (the text, the button, the positions with 取得 and テスト, the seconds). It shows what the window hands
// it and says by signal what the user did; the page's entries stay with the window.

#include "model/pagemodel.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <utility>

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTextEdit;
namespace editor {
struct EditorValues;
struct PageViewState;
} // namespace editor

class OperationPanel final : public QWidget {
    Q_OBJECT

public:
    // Takes the frame's place on parent; hidden, as the start screen has no operation.
    explicit OperationPanel(QWidget* parent);

    // Shows the frame, the kind selector and the title: the editor has opened.
    void open();
    // Puts the parameters of the page's operation into their controls.
    void showEntry(const model::Entry& command);
    // Takes what the controls hold into values (all but the condition's seconds).
    void readValues(editor::EditorValues& values) const;
    // Shows, enables and labels the controls as the page's view state says.
    void applyViewState(const editor::PageViewState& view);
    void showTitle(const QString& title);
    void showPointerPosition(int x, int y);
    // The controls that explain themselves in help mode, with their texts.
    QList<std::pair<QWidget*, QString>> helpToolTips() const;

Q_SIGNALS:
    // 追加 with the kind chosen in the combo box (its stored name).
    void addRequested(const QString& kind);
    void testRequested();
    void positionRequested();
    // A parameter control changed; control is its object name, so that edits of one control make one undo step.
    void edited(const QString& control);

private:
    QSpinBox* coordinateSpin(const char* name, int x, int maximum);

    QGroupBox* commandGroup = nullptr;
    QComboBox* commandCombo = nullptr;
    QPushButton* addCommandButton = nullptr;
    QPushButton* testButton = nullptr;
    QLabel* commandLabel = nullptr;
    QTextEdit* textEdit = nullptr;
    QComboBox* clickCombo = nullptr;
    QLabel* commandSecondsLabel = nullptr;
    QDoubleSpinBox* commandSecondsSpin = nullptr;
    QLabel* commandKeyLabel = nullptr;
    QLabel* pointerXLabel = nullptr;
    QSpinBox* pointerXSpin = nullptr;
    QLabel* pointerYLabel = nullptr;
    QSpinBox* pointerYSpin = nullptr;
    QPushButton* pointerGetButton = nullptr;
    QLabel* smoothXLabel = nullptr;
    QSpinBox* smoothXSpin = nullptr;
    QLabel* smoothYLabel = nullptr;
    QSpinBox* smoothYSpin = nullptr;
    QPushButton* smoothGetButton = nullptr;
};
