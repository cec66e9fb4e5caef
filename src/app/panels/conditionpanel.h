#pragma once

// The condition's frame: the kind to add with 追加, the title of the page's condition, its seconds and its keys. It
// shows what the window hands it and says by signal what the user did; the page's entries stay with the window.

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
namespace editor {
struct PageViewState;
}

class ConditionPanel final : public QWidget {
    Q_OBJECT

public:
    // Takes the frame's place on parent, and room to its right where the labels reach into the page frame; hidden,
    // as the start screen has no condition.
    explicit ConditionPanel(QWidget* parent);

    // Shows the frame, the kind selector and the title: the editor has opened.
    void open();
    // Puts the page's waiting time into its box.
    void showEntry(const model::Entry& condition);
    double seconds() const;
    // Shows, enables and labels the controls as the page's view state says.
    void applyViewState(const editor::PageViewState& view);
    void showTitle(const QString& title);
    // The controls that explain themselves in help mode, with their texts.
    QList<std::pair<QWidget*, QString>> helpToolTips() const;

Q_SIGNALS:
    // 追加 with the kind chosen in the combo box (its stored name).
    void addRequested(const QString& kind);
    // The seconds changed; control is the box's object name, so that its steps make one undo step.
    void edited(const QString& control);

private:
    QGroupBox* conditionGroup = nullptr;
    QComboBox* conditionCombo = nullptr;
    QPushButton* addConditionButton = nullptr;
    QLabel* conditionLabel = nullptr;
    QLabel* conditionSecondsLabel = nullptr;
    QDoubleSpinBox* conditionSecondsSpin = nullptr;
    QLabel* conditionKeyLabel = nullptr;
};
