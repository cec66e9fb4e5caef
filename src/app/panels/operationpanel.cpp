#include "operationpanel.h"

#include "editor/entryedits.h"
#include "editor/pageviewstate.h"
#include "placement.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include <initializer_list>

using panels::place;

OperationPanel::OperationPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("operationPanel"));
    setGeometry(10, 30, 400, 240);
    hide();
    commandGroup = panels::makeGroup(this, "commandGroup", tr("操作"), rect());
    const auto edit = [this](QWidget* control) { return [this, control] { Q_EMIT edited(control->objectName()); }; };

    commandCombo = place(new QComboBox(this), "commandCombo", 10, 30, 200, 40);
    panels::addStoredNames(commandCombo, model::commandKinds());
    panels::offerKeyKind(commandCombo, model::kind::Key, false);
    addCommandButton = place(new QPushButton(tr("追加"), this), "addCommandButton", 230, 30, 60, 38);
    connect(addCommandButton, &QPushButton::clicked, this,
            [this] { Q_EMIT addRequested(panels::storedName(commandCombo)); });
    testButton = place(new QPushButton(tr("テスト"), this), "testButton", 300, 190, 90, 38);
    connect(testButton, &QPushButton::clicked, this, &OperationPanel::testRequested);
    commandLabel = place(new QLabel(QStringLiteral("X"), this), "commandLabel", 10, 80, 300, 30);
    commandLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    textEdit = place(new QTextEdit(this), "textEdit", 10, 112, 380, 73);
    connect(textEdit, &QTextEdit::textChanged, this, edit(textEdit));
    clickCombo = place(new QComboBox(this), "clickCombo", 10, 120, 60, 40);
    panels::addStoredNames(clickCombo, {model::LeftButton, model::RightButton});
    clickCombo->setCurrentIndex(0);
    connect(clickCombo, &QComboBox::currentIndexChanged, this, edit(clickCombo));
    commandSecondsLabel = place(new QLabel(tr("秒"), this), "commandSecondsLabel", 130, 180, 60, 60);
    commandSecondsSpin = place(new QDoubleSpinBox(this), "commandSecondsSpin", 10, 190, 110, 40);
    commandSecondsSpin->setRange(0.01, 1000.0);
    commandSecondsSpin->setSingleStep(0.01);
    commandSecondsSpin->setDecimals(2);
    connect(commandSecondsSpin, &QDoubleSpinBox::valueChanged, this, edit(commandSecondsSpin));

    commandKeyLabel = place(new QLabel(this), "commandKeyLabel", 10, 115, 380, 40);
    pointerXLabel = place(new QLabel(QStringLiteral("X:"), this), "pointerXLabel", 10, 103, 24, 60);
    pointerXSpin = coordinateSpin("pointerXSpin", 30, 9999999);
    pointerYLabel = place(new QLabel(QStringLiteral("Y:"), this), "pointerYLabel", 160, 103, 24, 60);
    pointerYSpin = coordinateSpin("pointerYSpin", 180, 99999999);
    pointerGetButton = place(new QPushButton(tr("取得"), this), "pointerGetButton", 310, 114, 80, 43);
    connect(pointerGetButton, &QPushButton::clicked, this, &OperationPanel::positionRequested);
    smoothXLabel = place(new QLabel(QStringLiteral("X:"), this), "smoothXLabel", 10, 103, 24, 60);
    smoothXSpin = coordinateSpin("smoothXSpin", 30, 9999999);
    smoothYLabel = place(new QLabel(QStringLiteral("Y:"), this), "smoothYLabel", 160, 103, 24, 60);
    smoothYSpin = coordinateSpin("smoothYSpin", 180, 99999999);
    smoothGetButton = place(new QPushButton(tr("取得"), this), "smoothGetButton", 310, 114, 80, 43);
    connect(smoothGetButton, &QPushButton::clicked, this, &OperationPanel::positionRequested);
}

QSpinBox* OperationPanel::coordinateSpin(const char* name, int x, int maximum)
{
    auto* spin = place(new QSpinBox(this), name, x, 115, 120, 40);
    spin->setRange(-9999999, maximum);
    spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    connect(spin, &QSpinBox::valueChanged, this, [this, spin] { Q_EMIT edited(spin->objectName()); });
    return spin;
}

void OperationPanel::open()
{
    show();
    for (QWidget* widget : std::initializer_list<QWidget*>{commandGroup, commandCombo, commandLabel})
        widget->show();
}

void OperationPanel::showEntry(const model::Entry& command)
{
    const QString kind = model::entryKind(command);
    if (kind == model::kind::Click) {
        if (const int row = clickCombo->findData(model::clickButton(command)); row >= 0)
            clickCombo->setCurrentIndex(row);
    } else if (kind == model::kind::Pointer) {
        pointerXSpin->setValue(model::coordinateX(command).toInt(nullptr, 10));
        pointerYSpin->setValue(model::coordinateY(command).toInt(nullptr, 10));
    } else if (kind == model::kind::SmoothMove) {
        smoothXSpin->setValue(model::coordinateX(command).toInt(nullptr, 10));
        smoothYSpin->setValue(model::coordinateY(command).toInt(nullptr, 10));
    } else if (kind == model::kind::Input) {
        // Plain text: a text that looks like markup must come back exactly as typed.
        textEdit->setPlainText(model::inputText(command));
    }
    // The box rounds and clamps; the entry keeps its own text until a widget of the page changes.
    if (kind == model::kind::Click || kind == model::kind::SmoothMove || kind == model::kind::Key ||
        kind == model::kind::Input)
        commandSecondsSpin->setValue(model::commandSeconds(command).toFloat());
}

void OperationPanel::readValues(editor::EditorValues& values) const
{
    values.inputText = textEdit->toPlainText();
    values.clickButton = panels::storedName(clickCombo);
    values.pointerX = pointerXSpin->value();
    values.pointerY = pointerYSpin->value();
    values.smoothX = smoothXSpin->value();
    values.smoothY = smoothYSpin->value();
    values.commandSeconds = commandSecondsSpin->value();
}

void OperationPanel::applyViewState(const editor::PageViewState& view)
{
    using Widgets = std::initializer_list<QWidget*>;
    const auto setShown = [](Widgets widgets, bool shown) {
        for (QWidget* widget : widgets)
            widget->setVisible(shown);
    };
    clickCombo->setVisible(view.clickButton);
    textEdit->setVisible(view.inputText);
    setShown({commandSecondsSpin, commandSecondsLabel}, view.commandSeconds);
    commandKeyLabel->setVisible(view.commandKey);
    setShown({pointerXLabel, pointerXSpin, pointerYLabel, pointerYSpin, pointerGetButton}, view.pointerPosition);
    setShown({smoothXLabel, smoothXSpin, smoothYLabel, smoothYSpin, smoothGetButton}, view.smoothPosition);
    testButton->setVisible(view.testMove);
    addCommandButton->setVisible(view.addButtons);

    commandGroup->setEnabled(view.commandGroupEnabled);
    commandCombo->setEnabled(view.pageControlsEnabled);
    addCommandButton->setEnabled(view.pageControlsEnabled);
    testButton->setEnabled(view.testMoveEnabled);

    // A target on no monitor is flagged where it is typed: a run would stop on this page.
    const QString offScreen = QStringLiteral("QSpinBox{color: #CC0000;}");
    for (QSpinBox* spin : {pointerXSpin, pointerYSpin, smoothXSpin, smoothYSpin}) {
        spin->setToolTip(view.positionWarning);
        const QString sheet =
            spin->styleSheet().remove(offScreen) + (view.positionWarning.isEmpty() ? QString() : offScreen);
        if (sheet != spin->styleSheet()) // a new sheet would restyle the box being typed in on every keystroke
            spin->setStyleSheet(sheet);
    }
    if (!view.commandTitle.isNull())
        commandLabel->setText(view.commandTitle);
    if (!view.commandKeyText.isNull())
        commandKeyLabel->setText(view.commandKeyText);
}

void OperationPanel::showTitle(const QString& title)
{
    commandLabel->setText(title);
}

void OperationPanel::showPointerPosition(int x, int y)
{
    pointerXSpin->setValue(x);
    pointerYSpin->setValue(y);
}

QList<std::pair<QWidget*, QString>> OperationPanel::helpToolTips() const
{
    const QString xTip = tr("マウスポインターのX座標です。\n"
                            "自分で入力するか「取得」ボタンで簡単に取得できます。");
    const QString yTip = tr("マウスポインターのY座標です。\n"
                            "自分で入力するか「取得」ボタンで簡単に取得できます。");
    const QString getTip = tr("マウスポインターの座標を簡単に取得できます。");
    return {
        {commandCombo,
         tr("追加する操作を指定します。\n"
            "なし:何も行われません、条件のみを指定する場合に使用します。\n"
            "クリック:時間を指定してクリックします。\n"
            "マウスポインター:マウスポインターを指定の座標に移動します。\n"
            "スムーズムーブ:実行時のマウスポインターから指定の座標に時間を指定してスムーズに移動します。\n"
            "キー:時間を指定して単一または複数のキーを入力します。\n"
            "入力:1文字当たりの時間を指定して入力します。（日本語対応）\n"
            "「クリック」「スムーズムーブ」「キー」は操作が実行中でも次の操作に進みます、条件で時間を指定し"
            "て調整してください。\n"
            "操作を追加す場合は右の「追加」ボタンを押してください。")},
        {addCommandButton, tr("右のメニューで設定した操作を追加します。")},
        {testButton, tr("設定している座標にマウスポインターを移動します。")},
        {commandLabel, tr("設定中の操作です。")},
        {textEdit, tr("入力する文章を設定します。（日本語対応）")},
        {clickCombo, tr("クリックの種類を右か左で設定します。")},
        {commandSecondsSpin, tr("時間を指定します。\n"
                                "操作によって意味が変わります。\n"
                                "クリック:クリックする時間を指定します。\n"
                                "スムーズムーブ:マウスポインターが指定した座標に着くまでにかかる時間を指定します。\n"
                                "キー:キーを入力する時間を指定します。\n"
                                "入力:1文字当たりを入力するのにかかる時間を指定します。\n"
                                "単位は秒です。")},
        {pointerXSpin, xTip},
        {pointerYSpin, yTip},
        {pointerGetButton, getTip},
        {smoothXSpin, xTip},
        {smoothYSpin, yTip},
        {smoothGetButton, getTip},
    };
}
