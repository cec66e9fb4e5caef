#include "rundialog.h"

#include "model/keycombination.h"
#include "platform/inputservices.h"
#include "run/run.h"
#include "runui/runicons.h"

#include <QCheckBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <initializer_list>

namespace {

Q_LOGGING_CATEGORY(lcRunDialog, "orvane.rundialog", QtWarningMsg)

template <class W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void setPointSize(QWidget* widget, int points)
{
    QFont font = widget->font();
    font.setPointSize(points);
    widget->setFont(font);
}

} // namespace

RunDialog::RunDialog(int stertTime_, int runNumber_, const QString& stopCommand_, bool isUsedStert_, QWidget* parent)
    : QDialog(parent)
{
    stertTime = std::max(1, std::min(stertTime_, 9999));
    runNumber = std::max(1, std::min(runNumber_, EndlessRunNumber));
    stopCommand = stopCommand_;
    isUsedStert = isUsedStert_;
    capturing = false;
    stopCommandValid = false;

    setWindowTitle(tr("実行設定"));
    setFixedSize(300, 430);
    setModal(true);

    stertTimeLabel = named(new QLabel(tr("開始までの秒数:"), this), "stertTimeLabel");
    stertTimeLabel->setGeometry(10, 10, 290, 40);
    setPointSize(stertTimeLabel, 24);

    stertTimeUnitLabel = named(new QLabel(tr("秒"), this), "stertTimeUnitLabel");
    stertTimeUnitLabel->setGeometry(135, 60, 290, 40);
    setPointSize(stertTimeUnitLabel, 24);

    stertTimeSpinBox = named(new QSpinBox(this), "stertTimeSpinBox");
    stertTimeSpinBox->setGeometry(10, 60, 120, 40);
    setPointSize(stertTimeSpinBox, 24);
    stertTimeSpinBox->setRange(1, 9999);
    stertTimeSpinBox->setValue(stertTime);

    runNumberLabel = named(new QLabel(tr("実行回数:"), this), "runNumberLabel");
    runNumberLabel->setGeometry(10, 130, 190, 40);
    setPointSize(runNumberLabel, 24);

    runNumberUnitLabel = named(new QLabel(tr("回"), this), "runNumberUnitLabel");
    runNumberUnitLabel->setGeometry(135, 180, 290, 40);
    setPointSize(runNumberUnitLabel, 24);

    runNumberSpinBox = named(new QSpinBox(this), "runNumberSpinBox");
    runNumberSpinBox->setGeometry(10, 180, 120, 40);
    setPointSize(runNumberSpinBox, 24);
    runNumberSpinBox->setRange(1, 9999);
    runNumberSpinBox->setValue(runNumber);

    checkRunNumber = named(new QCheckBox(tr("終了コマンドまで繰り返す"), this), "checkRunNumber");
    checkRunNumber->move(10, 228);
    checkRunNumber->adjustSize();
    connect(checkRunNumber, &QCheckBox::stateChanged, this, &RunDialog::changeCheckRunNumber);

    stopCommandLabel = named(new QLabel(tr("終了コマンド:"), this), "stopCommandLabel");
    stopCommandLabel->setGeometry(10, 250, 280, 40);
    setPointSize(stopCommandLabel, 24);

    hotKeyLabel = named(new QLabel(this), "hotKeyLabel");
    hotKeyLabel->setGeometry(10, 290, 280, 40);
    setPointSize(hotKeyLabel, 24);

    hotKeyHintLabel = named(new QLabel(tr("単一または複数キーを押してください"), this), "hotKeyHintLabel");
    hotKeyHintLabel->setGeometry(10, 335, 380, 16);
    hotKeyHintLabel->setStyleSheet(QStringLiteral("font-size: 12px;"));
    hotKeyHintLabel->hide();

    hotKeyButton = named(new QPushButton(tr("変更"), this), "hotKeyButton");
    hotKeyButton->setGeometry(220, 290, 70, 40);
    setPointSize(hotKeyButton, 20);

    // Every key is captured while 変更 runs, so the way out is a click.
    cancelCaptureButton = named(new QPushButton(tr("キャンセル"), this), "cancelCaptureButton");
    cancelCaptureButton->setGeometry(200, 290, 90, 40);
    setPointSize(cancelCaptureButton, 12);
    cancelCaptureButton->hide();
    connect(cancelCaptureButton, &QPushButton::clicked, this, &RunDialog::cancelCapture);

    checkHotKey = named(new QCheckBox(tr("終了コマンドを設定しない"), this), "checkHotKey");
    checkHotKey->move(10, 335);
    checkHotKey->setIcon(runicons::dangerIcon());
    checkHotKey->setIconSize(QSize(14, 14));
    checkHotKey->adjustSize();
    connect(checkHotKey, &QCheckBox::stateChanged, this, &RunDialog::changeCheckHotKey);

    startButton = named(new QPushButton(tr("開始"), this), "startButton");
    startButton->setGeometry(10, 360, 280, 60);
    setPointSize(startButton, 24);
    startButton->setDefault(true);

    setTabOrder(stertTimeSpinBox, runNumberSpinBox);
    setTabOrder(runNumberSpinBox, hotKeyButton);
    setTabOrder(hotKeyButton, startButton);

    qCDebug(lcRunDialog) << "RunDialog run count:" << runNumber;
    if (runNumber == EndlessRunNumber) {
        checkRunNumber->setChecked(true);
        runNumberSpinBox->setValue(1);
    }
    if (stopCommand == QStringLiteral("なし")) {
        checkHotKey->setChecked(true);
        // Unchecking the box then offers a usable stop command rather than none.
        stopCommand = QStringLiteral("83,3");
    }
    if (runNumber == EndlessRunNumber)
        qCDebug(lcRunDialog) << "RunDialog run count:" << runNumber;

    connect(startButton, &QPushButton::clicked, this, [this] { onStartClicked(); });
    connect(hotKeyButton, &QPushButton::clicked, this, &RunDialog::onHotKeyButtonPressed);
    connect(&capture, &editor::KeyCaptureSession::captured, this, &RunDialog::onKeyCaptured);

    applyValidityRule();
    hotKeyLabel->setText(keys::keyCombinationLabel(stopCommand, keys::UnreadableText::ShowInvalid));
    updateStartButtonState();
    offerOtherStops();
}

void RunDialog::offerOtherStops()
{
    const platform::InputServices& desktop = platform::services();
    keysWatched = !desktop.isAvailable() || desktop.canWatchKeys();
    if (keysWatched)
        return;
    // The combination stays as it is for a desktop that can watch keys; here it could never be seen.
    for (QWidget* w : std::initializer_list<QWidget*>{hotKeyLabel, hotKeyButton, checkHotKey})
        w->hide();
    auto* note = named(new QLabel(tr("このデスクトップ（Wayland）ではキーの組み合わせで停止できません。"
                                     "トレイのアイコン、停止ウィンドウ、または orvane --stop で"
                                     "停止してください。"),
                                  this),
                       "otherStopsLabel");
    note->setGeometry(10, 290, 280, 65);
    note->setWordWrap(true);
}

// The session removes a capture still installed.
RunDialog::~RunDialog() = default;

void RunDialog::applyValidityRule()
{
    // Only the main key has to read; a key code of 0 counts as valid here.
    stopCommandValid = keys::parseKeyCombination(stopCommand, nullptr);
}

void RunDialog::updateStartButtonState()
{
    startButton->setVisible(!capturing && stopCommandValid);
}

void RunDialog::changeCheckRunNumber(int state)
{
    const bool endless = state == Qt::Checked;
    runNumberSpinBox->setVisible(!endless);
    runNumberUnitLabel->setVisible(!endless);
}

void RunDialog::changeCheckHotKey(int state)
{
    const bool none = state == Qt::Checked;
    hotKeyLabel->setVisible(!none);
    hotKeyButton->setVisible(!none);
}

void RunDialog::onHotKeyButtonPressed()
{
    if (!capture.start()) {
        qCWarning(lcRunDialog) << "Failed to install keyboard hook. Error:" << capture.error();
        hotKeyLabel->setText(tr("フック失敗"));
        return;
    }
    capturing = true;
    hotKeyButton->hide();
    cancelCaptureButton->show();
    hotKeyHintLabel->show();
    hotKeyLabel->setText(QString());
    checkHotKey->hide();
    stertTimeSpinBox->setEnabled(false);
    runNumberSpinBox->setEnabled(false);
    updateStartButtonState();
}

void RunDialog::onKeyCaptured(const QString& combination)
{
    if (!capturing)
        return;
    stopCommand = combination;
    // The keyboard goes back to the desktop as soon as the combination is known; 変更 installs a new capture.
    cancelCapture();
}

void RunDialog::cancelCapture()
{
    capturing = false;
    capture.remove();
    applyValidityRule();
    hotKeyLabel->setText(keys::keyCombinationLabel(stopCommand, keys::UnreadableText::ShowInvalid));
    cancelCaptureButton->hide();
    hotKeyButton->show();
    checkHotKey->show();
    hotKeyHintLabel->hide();
    stertTimeSpinBox->setEnabled(true);
    runNumberSpinBox->setEnabled(true);
    updateStartButtonState();
}

void RunDialog::onStartClicked()
{
    if (!keysWatched) {
        // The dialog already says how this run is stopped; neither box would be true here.
        answer = QMessageBox::Yes;
    } else if (checkHotKey->isChecked()) {
        answer = QMessageBox::warning(this, tr("このメッセージを無効化することはできません。"),
                                      tr("終了コマンドが設定されていません。\n"
                                         "タスクバーの右側にあるシステムトレイもしくは\n"
                                         "指定回数でのみ終了可能です。\n"
                                         "危険ですが実行しますか？"),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    } else {
        if (!isUsedStert) {
            QMessageBox::information(this, tr("次回からは表示されません。"),
                                     tr("現在の停止コマンドは「%1」です。\n"
                                        "このコマンドは変更可能です。\n"
                                        "これを入力することでいかなる時でも\n"
                                        "0.2秒以内で実行中のプロジェクトを停止可能です。\n"
                                        "忘れないで下さい。")
                                         .arg(hotKeyLabel->text()),
                                     QMessageBox::Ok, QMessageBox::NoButton);
            isUsedStert = true;
        }
        answer = QMessageBox::Yes;
    }
    if (answer != QMessageBox::Yes)
        return;
    stertTime = stertTimeSpinBox->value();
    runNumber = checkRunNumber->isChecked() ? EndlessRunNumber : runNumberSpinBox->value();
    if (checkHotKey->isChecked())
        stopCommand = QStringLiteral("なし");
    accept();
}
