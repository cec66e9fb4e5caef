#include "recorddialog.h"

#include "model/keycombination.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

RecordDialog::RecordDialog(int startDelay, const QString& stopCommand, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("記録設定"));
    setModal(true);
    auto* form = new QFormLayout(this);

    recordDelaySpinBox = new QSpinBox(this);
    recordDelaySpinBox->setObjectName(QStringLiteral("recordDelaySpinBox"));
    recordDelaySpinBox->setRange(1, 9999);
    recordDelaySpinBox->setValue(std::clamp(startDelay, 1, 9999));
    recordDelaySpinBox->setSuffix(tr(" 秒"));
    form->addRow(tr("開始までの秒数:"), recordDelaySpinBox);

    recordMovesCheckBox = new QCheckBox(tr("マウスの動きも記録する"), this);
    recordMovesCheckBox->setObjectName(QStringLiteral("recordMovesCheckBox"));
    form->addRow(recordMovesCheckBox);

    // What ends the recording; neither it nor the click on the icon becomes a page.
    keys::KeyCombination stop;
    const QString how = keys::parseKeyCombination(stopCommand, &stop) && stop.key != 0
                            ? tr("終了コマンド（%1）またはトレイのアイコンで記録を終了します。")
                                  .arg(keys::keyCombinationLabel(stopCommand))
                            : tr("トレイのアイコンで記録を終了します。");
    auto* hint = new QLabel(how, this);
    hint->setObjectName(QStringLiteral("recordStopLabel"));
    hint->setWordWrap(true);
    form->addRow(hint);

    auto* buttons = new QHBoxLayout;
    auto* start = new QPushButton(tr("開始"), this);
    start->setObjectName(QStringLiteral("recordStartButton"));
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("recordCancelButton"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(start);
    buttons->addWidget(cancel);
    form->addRow(buttons);
}

int RecordDialog::startDelay() const
{
    return recordDelaySpinBox->value();
}

bool RecordDialog::recordsMoves() const
{
    return recordMovesCheckBox->isChecked();
}

void RecordDialog::setRecordsMoves(bool moves)
{
    recordMovesCheckBox->setChecked(moves);
}
