#include "conditionpanel.h"

#include "editor/pageviewstate.h"
#include "placement.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using panels::place;

ConditionPanel::ConditionPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("conditionPanel"));
    setGeometry(10, 280, 530, 240);
    hide();
    conditionGroup = panels::makeGroup(this, "conditionGroup", tr("条件"), QRect(0, 0, 400, 240));
    conditionCombo = place(new QComboBox(this), "conditionCombo", 10, 30, 200, 40);
    panels::addStoredNames(conditionCombo, model::conditionKinds());
    panels::offerKeyKind(conditionCombo, model::kind::KeyCondition, true);
    addConditionButton = place(new QPushButton(tr("追加"), this), "addConditionButton", 230, 30, 60, 38);
    connect(addConditionButton, &QPushButton::clicked, this,
            [this] { Q_EMIT addRequested(panels::storedName(conditionCombo)); });
    conditionLabel = place(new QLabel(model::kindLabel(model::kind::Time), this), "conditionLabel", 10, 80, 400, 60);
    conditionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    conditionSecondsLabel = place(new QLabel(tr("秒"), this), "conditionSecondsLabel", 130, 100, 400, 60);
    conditionSecondsSpin = place(new QDoubleSpinBox(this), "conditionSecondsSpin", 10, 110, 120, 40);
    conditionSecondsSpin->setRange(0.01, 1000.0);
    conditionSecondsSpin->setSingleStep(0.1);
    conditionSecondsSpin->setDecimals(2);
    connect(conditionSecondsSpin, &QDoubleSpinBox::valueChanged, this,
            [this] { Q_EMIT edited(conditionSecondsSpin->objectName()); });
    conditionKeyLabel = place(new QLabel(this), "conditionKeyLabel", 10, 105, 380, 40);
}

void ConditionPanel::open()
{
    show();
    conditionGroup->show();
    conditionCombo->show();
    conditionLabel->show();
}

void ConditionPanel::showEntry(const model::Entry& condition)
{
    // The box rounds and clamps; the entry keeps its own text until a widget of the page changes.
    if (model::entryKind(condition) == model::kind::Time)
        conditionSecondsSpin->setValue(model::waitSeconds(condition).toFloat());
}

double ConditionPanel::seconds() const
{
    return conditionSecondsSpin->value();
}

void ConditionPanel::applyViewState(const editor::PageViewState& view)
{
    conditionSecondsSpin->setVisible(view.conditionSeconds);
    conditionSecondsLabel->setVisible(view.conditionSeconds);
    conditionKeyLabel->setVisible(view.conditionKey);
    addConditionButton->setVisible(view.addButtons);
    conditionGroup->setEnabled(view.conditionGroupEnabled);
    conditionCombo->setEnabled(view.pageControlsEnabled);
    addConditionButton->setEnabled(view.pageControlsEnabled);
    if (!view.conditionTitle.isNull())
        conditionLabel->setText(view.conditionTitle);
    if (!view.conditionKeyText.isNull())
        conditionKeyLabel->setText(view.conditionKeyText);
    conditionKeyLabel->setToolTip(view.conditionKeyWarning);
}

void ConditionPanel::showTitle(const QString& title)
{
    conditionLabel->setText(title);
}

QList<std::pair<QWidget*, QString>> ConditionPanel::helpToolTips() const
{
    return {
        {conditionCombo, tr("追加する条件を指定します。\n"
                            "時間:次の操作に進むまでの時間を指定します。\n"
                            "即時:何も待たずに次の操作に進みます。\n"
                            "キー:単一または複数のキーを指定して、それが入力された時に次の操作に進みます。")},
        {addConditionButton, tr("右のメニューで設定した条件を追加します。")},
        {conditionLabel, tr("設定中の条件です。")},
        {conditionSecondsSpin, tr("次の操作に進むまでの時間を指定します。")},
    };
}
