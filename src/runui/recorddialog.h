#pragma once

// The editor's recording settings: the start delay, as the run settings dialog has it, and whether pointer paths are
// recorded too. The recording stops with the run's stop command, which the dialog names but does not change: one
// combination to remember for both.

#include <QDialog>
#include <QString>

class QCheckBox;
class QSpinBox;

class RecordDialog final : public QDialog {
    Q_OBJECT

public:
    RecordDialog(int startDelay, const QString& stopCommand, QWidget* parent = nullptr);

    int startDelay() const;
    bool recordsMoves() const;
    void setRecordsMoves(bool moves);

private:
    QSpinBox* recordDelaySpinBox = nullptr;
    QCheckBox* recordMovesCheckBox = nullptr;
};
