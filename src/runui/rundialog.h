#pragma once

// The run settings dialog: start delay, run count (or "until the stop command") and the stop command, captured from
// the keyboard through a key-capture session of its own (where the desktop lets keys be watched). The capture lasts
// from 変更 until one combination is captured (on X11 it is an active keyboard grab, so the keyboard is given back at
// once). Accepted only through its start button; the caller then copies the four values back.

#include "editor/keycapturesession.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

class RunDialog : public QDialog {
    Q_OBJECT

public:
    RunDialog(int stertTime, int runNumber, const QString& stopCommand, bool isUsedStert, QWidget* parent = nullptr);
    ~RunDialog() override;

    int getStertTime() const { return stertTime; }
    int getRunNumber() const { return runNumber; }
    QString getStopCommand() const { return stopCommand; }
    bool getIsUsedStert() const { return isUsedStert; }

private Q_SLOTS:
    void onHotKeyButtonPressed();
    // キャンセル during a capture: the keyboard goes back and the stop command stays as it was.
    void cancelCapture();
    void onKeyCaptured(const QString& combination);
    void updateStartButtonState();
    void changeCheckRunNumber(int state);
    void changeCheckHotKey(int state);

private:
    void onStartClicked();
    void applyValidityRule();
    // Where the desktop's keys cannot be watched (Wayland) the stop combination could never stop a run: its controls
    // give way to a note on the ways that do.
    void offerOtherStops();

    int stertTime = 0;
    int runNumber = 0;
    QString stopCommand;
    bool isUsedStert = false;
    bool capturing = false;
    bool stopCommandValid = false;
    bool keysWatched = true;
    int answer = 0;
    editor::KeyCaptureSession capture;

    QLabel* stertTimeLabel = nullptr;
    QLabel* stertTimeUnitLabel = nullptr;
    QSpinBox* stertTimeSpinBox = nullptr;
    QLabel* runNumberLabel = nullptr;
    QLabel* runNumberUnitLabel = nullptr;
    QSpinBox* runNumberSpinBox = nullptr;
    QCheckBox* checkRunNumber = nullptr;
    QLabel* stopCommandLabel = nullptr;
    QLabel* hotKeyLabel = nullptr;
    QLabel* hotKeyHintLabel = nullptr;
    QPushButton* hotKeyButton = nullptr;
    QPushButton* cancelCaptureButton = nullptr;
    QCheckBox* checkHotKey = nullptr;
    QPushButton* startButton = nullptr;
};
