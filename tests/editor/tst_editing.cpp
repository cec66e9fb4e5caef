// Operation and condition editing: opening the editor, "追加" with each kind's defaults, writing edited values into
// the page, and the show/hide rules of the page display refresh.

#include "editortest.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

class tst_Editing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initProgram(); }
    void init() { resetConfig(); }

    void openingTheEditor();
    void selectorAloneChangesNothing();
    void addCommandDefaults_data();
    void addCommandDefaults();
    void addConditionDefaults_data();
    void addConditionDefaults();
    void refreshRules_data();
    void refreshRules();
    void pageButtonsFollowPageAndBuffer_data();
    void pageButtonsFollowPageAndBuffer();
    void smallSecondsShownClampedButKept();
    void changeSomeThingWritesEveryParameter_data();
    void changeSomeThingWritesEveryParameter();
    void coordinateRanges();
    void typingWritesOnEveryChange();
    void emptiedTextHidesNavigationEvenWithKeyCondition();
    void undoneChangeCountsAsSaved();
};

namespace {

const QStringList ParameterWidgets = {
    "commandSecondsLabel",  "conditionSecondsLabel", "clickCombo",        "textEdit",      "commandSecondsSpin",
    "conditionSecondsSpin", "commandKeyLabel",       "conditionKeyLabel", "pointerXLabel", "pointerXSpin",
    "pointerYLabel",        "pointerYSpin",          "pointerGetButton",  "smoothXLabel",  "smoothXSpin",
    "smoothYLabel",         "smoothYSpin",           "smoothGetButton",   "testButton"};

const QStringList NavigationWidgets = {"runButton", "nextPageButton", "pageList", "copyButton"};

QStringList shownParameters(const orvane& window)
{
    QStringList names;
    for (const QString& name : ParameterWidgets) {
        auto* widget = window.findChild<QWidget*>(name);
        if (widget && shown(window, widget))
            names << name;
    }
    names.sort();
    return names;
}

// True when every control of the navigation set (that no other rule hides) is shown, false when all are hidden;
// fails the test on a mixture.
bool navigationShown(const orvane& window, bool* consistent)
{
    int count = 0;
    for (const QString& name : NavigationWidgets)
        count += shown(window, window.findChild<QWidget*>(name)) ? 1 : 0;
    count += shown(window, window.menuBar()) ? 1 : 0;
    *consistent = count == 0 || count == NavigationWidgets.size() + 1;
    return count != 0;
}

// Shows page `page` of the given project, through the window's own refresh.
void showProject(orvane& window, const EntryList& commands, const EntryList& conditions, int page)
{
    window.list_command = commands;
    window.list_condition = conditions;
    window.currentPage = page + 1;
    QMetaObject::invokeMethod(&window, "returnPage");
}

void addCommandKind(orvane& window, const QString& kind)
{
    window.commandCombo->setCurrentText(kind);
    window.addCommandButton->click();
}

void addConditionKind(orvane& window, const QString& kind)
{
    window.conditionCombo->setCurrentText(kind);
    window.addConditionButton->click();
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

void tst_Editing::openingTheEditor()
{
    auto window = makeWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("オルヴェイン Free"));
    window->newProjectButton->click();

    QVERIFY(!shown(*window, window->newProjectButton));
    QVERIFY(!shown(*window, window->loadProjectButton));
    for (QWidget* widget :
         {static_cast<QWidget*>(window->commandGroup), static_cast<QWidget*>(window->conditionGroup),
          static_cast<QWidget*>(window->pageGroup), static_cast<QWidget*>(window->commandCombo),
          static_cast<QWidget*>(window->commandLabel), static_cast<QWidget*>(window->conditionCombo),
          static_cast<QWidget*>(window->conditionLabel), static_cast<QWidget*>(window->pageCountLabel)})
        QVERIFY2(shown(*window, widget), qPrintable(widget->objectName()));
    bool consistent = false;
    QVERIFY(navigationShown(*window, &consistent));
    QVERIFY(consistent);
    QVERIFY(!shown(*window, window->returnPageButton));
    QVERIFY(!shown(*window, window->deletePageButton));
    QVERIFY(!shown(*window, window->pasteButton));
    QCOMPARE(shownParameters(*window), sorted({"conditionSecondsLabel", "conditionSecondsSpin"}));
    QCOMPARE(window->conditionSecondsSpin->value(), 0.1);
    QCOMPARE(window->commandLabel->text(), QStringLiteral("なし"));
    QCOMPARE(window->conditionLabel->text(), QStringLiteral("時間"));
    QCOMPARE(rows(window->pageList), (QStringList{"+", "1.なし", "+"}));
    QCOMPARE(window->pageList->currentRow(), 1);
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("1/1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("新規プロジェクト"));
    QCOMPARE(window->filePath, settings::desktopDirectory());
}

void tst_Editing::selectorAloneChangesNothing()
{
    auto window = makeEditor();
    window->commandCombo->setCurrentText(QStringLiteral("クリック"));
    window->conditionCombo->setCurrentText(QStringLiteral("即時"));
    QCOMPARE(window->selectedCommandKind, QStringLiteral("クリック"));
    QCOMPARE(window->selectedConditionKind, QStringLiteral("即時"));
    QCOMPARE(window->list_command, (EntryList{{"なし"}}));
    QCOMPARE(window->list_condition, (EntryList{{"時間", "0.1"}}));

    window->addCommandButton->click();
    QCOMPARE(window->list_command, (EntryList{{"クリック", "左", "0.01"}}));
    QCOMPARE(window->clickCombo->currentText(), QStringLiteral("左"));
    QCOMPARE(window->commandSecondsSpin->value(), 0.01);
    QCOMPARE(rows(window->pageList), (QStringList{"+", "1.クリック", "+"}));
    // The refresh never moves the selectors.
    window->nextPageButton->click();
    QCOMPARE(window->commandCombo->currentText(), QStringLiteral("クリック"));
    QCOMPARE(window->commandLabel->text(), QStringLiteral("なし"));
}

void tst_Editing::addCommandDefaults_data()
{
    QTest::addColumn<QString>("startCondition");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("condition");
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<bool>("navigation");

    const QStringList timeParams = {"conditionSecondsLabel", "conditionSecondsSpin"};
    QTest::newRow("none") << "時間"
                          << "なし" << QStringList{"なし"} << QStringList{"時間", "5"} << timeParams << true;
    QTest::newRow("click") << "時間"
                           << "クリック" << QStringList{"クリック", "左", "0.01"} << QStringList{"時間", "5"}
                           << (timeParams + QStringList{"clickCombo", "commandSecondsLabel", "commandSecondsSpin"})
                           << true;
    QTest::newRow("pointer") << "時間"
                             << "マウスポインター" << QStringList{"マウスポインター", "0", "0"}
                             << QStringList{"時間", "5"}
                             << (timeParams + QStringList{"pointerXLabel", "pointerXSpin", "pointerYLabel",
                                                          "pointerYSpin", "pointerGetButton", "testButton"})
                             << true;
    QTest::newRow("smooth move stretches time")
        << "時間"
        << "スムーズムーブ" << QStringList{"スムーズムーブ", "0", "0", "1"} << QStringList{"時間", "1.1"}
        << (timeParams + QStringList{"smoothXLabel", "smoothXSpin", "smoothYLabel", "smoothYSpin", "smoothGetButton",
                                     "testButton", "commandSecondsLabel", "commandSecondsSpin"})
        << true;
    QTest::newRow("smooth move leaves immediate")
        << "即時"
        << "スムーズムーブ" << QStringList{"スムーズムーブ", "0", "0", "1"} << QStringList{"即時"}
        << QStringList{"smoothXLabel",    "smoothXSpin", "smoothYLabel",        "smoothYSpin",
                       "smoothGetButton", "testButton",  "commandSecondsLabel", "commandSecondsSpin"}
        << true;
    QTest::newRow("input stretches time")
        << "時間"
        << "入力" << QStringList{"入力", "", "3"} << QStringList{"時間", "3.1"}
        << (timeParams + QStringList{"textEdit", "commandSecondsLabel", "commandSecondsSpin"}) << false;
    QTest::newRow("input leaves immediate")
        << "即時"
        << "入力" << QStringList{"入力", "", "3"} << QStringList{"即時"}
        << QStringList{"textEdit", "commandSecondsLabel", "commandSecondsSpin"} << false;
}

void tst_Editing::addCommandDefaults()
{
    QFETCH(QString, startCondition);
    QFETCH(QString, kind);
    QFETCH(QStringList, command);
    QFETCH(QStringList, condition);
    QFETCH(QStringList, parameters);
    QFETCH(bool, navigation);

    auto window = makeEditor();
    addConditionKind(*window, startCondition);
    if (startCondition == QStringLiteral("時間")) {
        window->conditionSecondsSpin->setValue(5);
        QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "5"}));
    }
    addCommandKind(*window, QStringLiteral("クリック")); // something to replace
    addCommandKind(*window, kind);

    QCOMPARE(window->list_command.at(0), command);
    QCOMPARE(window->list_condition.at(0), condition);
    QCOMPARE(shownParameters(*window), sorted(parameters));
    QCOMPARE(window->commandLabel->text(), kind);
    QCOMPARE(rows(window->pageList).at(1), QStringLiteral("1.") + kind);
    bool consistent = false;
    QCOMPARE(navigationShown(*window, &consistent), navigation);
    QVERIFY(consistent);
}

void tst_Editing::addConditionDefaults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("condition");
    QTest::addColumn<QStringList>("parameters");
    QTest::newRow("immediate") << "即時" << QStringList{"即時"} << QStringList{};
    QTest::newRow("time") << "時間" << QStringList{"時間", "0.1"}
                          << QStringList{"conditionSecondsLabel", "conditionSecondsSpin"};
}

void tst_Editing::addConditionDefaults()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, condition);
    QFETCH(QStringList, parameters);
    auto window = makeEditor();
    window->conditionSecondsSpin->setValue(7);
    addConditionKind(*window, QStringLiteral("即時"));
    addConditionKind(*window, kind);
    QCOMPARE(window->list_condition.at(0), condition);
    QCOMPARE(shownParameters(*window), sorted(parameters));
    QCOMPARE(window->conditionLabel->text(), kind);
}

void tst_Editing::refreshRules_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QStringList>("condition");
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<bool>("navigation");
    QTest::addColumn<QString>("commandKeyText");
    QTest::addColumn<QString>("conditionKeyText");

    const QStringList keyOp = {"commandKeyLabel", "commandSecondsLabel", "commandSecondsSpin"};
    const QStringList input = {"textEdit", "commandSecondsLabel", "commandSecondsSpin"};
    QTest::newRow("key operation set") << QStringList{"キー", "65,2", "0.01"} << QStringList{"即時"} << keyOp << true
                                       << "Ctrl+A"
                                       << "";
    QTest::newRow("key operation empty") << QStringList{"キー", "", "0.01"} << QStringList{"即時"} << keyOp << false
                                         << "なし"
                                         << "";
    QTest::newRow("key operation なし") << QStringList{"キー", "なし", "0.01"} << QStringList{"即時"} << keyOp << false
                                        << "なし"
                                        << "";
    QTest::newRow("unreadable key shown as is")
        << QStringList{"キー", "abc", "0.01"} << QStringList{"即時"} << keyOp << true << "abc"
        << "";
    QTest::newRow("input with text") << QStringList{"入力", "x", "3"} << QStringList{"即時"} << input << true << ""
                                     << "";
    QTest::newRow("input empty") << QStringList{"入力", "", "3"} << QStringList{"即時"} << input << false << ""
                                 << "";
    QTest::newRow("key condition empty") << QStringList{"クリック", "左", "0.01"} << QStringList{"キー", ""}
                                         << QStringList{"clickCombo", "commandSecondsLabel", "commandSecondsSpin",
                                                        "conditionKeyLabel"}
                                         << false << ""
                                         << "なし";
    QTest::newRow("key condition set") << QStringList{"なし"} << QStringList{"キー", "160,0"}
                                       << QStringList{"conditionKeyLabel"} << true << ""
                                       << "Shift";
    QTest::newRow("condition decides: shows") << QStringList{"入力", "", "3"} << QStringList{"キー", "65,3"}
                                              << (input + QStringList{"conditionKeyLabel"}) << true << ""
                                              << "Ctrl+Alt+A";
    QTest::newRow("condition decides: hides") << QStringList{"キー", "112,4", "0.01"} << QStringList{"キー", ""}
                                              << (keyOp + QStringList{"conditionKeyLabel"}) << false << "Shift+F1"
                                              << "なし";
    QTest::newRow("unknown operation kind")
        << QStringList{"謎", "1", "2", "3"} << QStringList{"即時"} << QStringList{} << true << ""
        << "";
    QTest::newRow("unknown condition kind")
        << QStringList{"なし"} << QStringList{"不明", "1"} << QStringList{} << true << ""
        << "";
}

void tst_Editing::refreshRules()
{
    QFETCH(QStringList, command);
    QFETCH(QStringList, condition);
    QFETCH(QStringList, parameters);
    QFETCH(bool, navigation);
    QFETCH(QString, commandKeyText);
    QFETCH(QString, conditionKeyText);

    auto window = makeEditor();
    showProject(*window, {command}, {condition}, 1);
    QCOMPARE(shownParameters(*window), sorted(parameters));
    bool consistent = false;
    QCOMPARE(navigationShown(*window, &consistent), navigation);
    QVERIFY(consistent);
    // A key entry waiting for a combination with no capture running must not lock the page: "追加" stays.
    const bool keyWaiting = (command.at(0) == QStringLiteral("キー") && command.value(1).isEmpty()) ||
                            (command.at(0) == QStringLiteral("キー") && command.value(1) == QStringLiteral("なし")) ||
                            (condition.at(0) == QStringLiteral("キー") && condition.value(1).isEmpty());
    QCOMPARE(shown(*window, window->addCommandButton), navigation || keyWaiting);
    QCOMPARE(shown(*window, window->addConditionButton), navigation || keyWaiting);
    QVERIFY(shown(*window, window->pageCountLabel));
    if (!commandKeyText.isEmpty())
        QCOMPARE(window->commandKeyLabel->text(), commandKeyText);
    if (!conditionKeyText.isEmpty())
        QCOMPARE(window->conditionKeyLabel->text(), conditionKeyText);
    // The refresh only reads: the entries are untouched.
    QCOMPARE(window->list_command.at(0), command);
    QCOMPARE(window->list_condition.at(0), condition);

    // Back on an ordinary page after a complete one, the parameter widgets follow the new page.
    if (navigation) {
        window->nextPageButton->click();
        QCOMPARE(shownParameters(*window), sorted({"conditionSecondsLabel", "conditionSecondsSpin"}));
    }
}

void tst_Editing::pageButtonsFollowPageAndBuffer_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<bool>("back");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<bool>("pasteShown");
    QTest::newRow("1 of 1") << 1 << 1 << false << false << false << false;
    QTest::newRow("1 of 1, copied") << 1 << 1 << true << false << false << true;
    QTest::newRow("1 of 3") << 3 << 1 << false << false << true << false;
    QTest::newRow("2 of 3") << 3 << 2 << false << true << true << false;
    QTest::newRow("3 of 3, copied") << 3 << 3 << true << true << true << true;
}

void tst_Editing::pageButtonsFollowPageAndBuffer()
{
    QFETCH(int, pages);
    QFETCH(int, page);
    QFETCH(bool, copied);
    QFETCH(bool, back);
    QFETCH(bool, remove);
    QFETCH(bool, pasteShown);
    auto window = makeEditor();
    if (copied)
        window->copyButton->click();
    showProject(*window, EntryList(pages, model::freshCommand()), EntryList(pages, model::freshCondition()), page);
    QCOMPARE(shown(*window, window->returnPageButton), back);
    QCOMPARE(shown(*window, window->deletePageButton), remove);
    QCOMPARE(shown(*window, window->pasteButton), pasteShown);
    QCOMPARE(window->pageCountLabel->text(), QStringLiteral("%1/%2").arg(page).arg(pages));

    // While the page waits for a key, none of them is reachable.
    showProject(*window, EntryList(pages, {"キー", "", "0.01"}), EntryList(pages, model::freshCondition()), page);
    QVERIFY(!shown(*window, window->returnPageButton));
    QVERIFY(!shown(*window, window->deletePageButton));
    QVERIFY(!shown(*window, window->pasteButton));
    QVERIFY(shown(*window, window->pageCountLabel));
}

void tst_Editing::smallSecondsShownClampedButKept()
{
    auto window = makeEditor();
    showProject(*window, {{"クリック", "右", "0.001"}}, {{"時間", "0.004"}}, 1);
    QCOMPARE(window->commandSecondsSpin->value(), 0.01);
    QCOMPARE(window->conditionSecondsSpin->value(), 0.01);
    QCOMPARE(window->clickCombo->currentText(), QStringLiteral("右"));
    QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.001"}));
    QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.004"}));

    // Any parameter change of the page rewrites all of its parameters from the widgets.
    window->conditionSecondsSpin->setValue(0.2);
    QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.01"}));
    QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.2"}));

    // Unreadable text shows the boxes' lowest values.
    showProject(*window, {{"マウスポインター", "abc", "1e3"}}, {{"時間", "x"}}, 1);
    QCOMPARE(window->pointerXSpin->value(), 0);
    QCOMPARE(window->pointerYSpin->value(), 0);
    QCOMPARE(window->conditionSecondsSpin->value(), 0.01);
}

void tst_Editing::changeSomeThingWritesEveryParameter_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("expectedCondition");

    const QStringList time = {"時間", "0.1"};
    QTest::newRow("click seconds") << QStringList{"クリック", "左", "0.01"} << "commandSecondsSpin" << QVariant(12.5)
                                   << QStringList{"クリック", "左", "12.5"} << time;
    QTest::newRow("click button") << QStringList{"クリック", "左", "2"} << "clickCombo" << QVariant(1)
                                  << QStringList{"クリック", "右", "2"} << time;
    QTest::newRow("click, condition time")
        << QStringList{"クリック", "右", "1"} << "conditionSecondsSpin" << QVariant(1000.0)
        << QStringList{"クリック", "右", "1"} << QStringList{"時間", "1000"};
    QTest::newRow("pointer x") << QStringList{"マウスポインター", "0", "0"} << "pointerXSpin" << QVariant(-5)
                               << QStringList{"マウスポインター", "-5", "0"} << time;
    QTest::newRow("pointer y") << QStringList{"マウスポインター", "3", "0"} << "pointerYSpin" << QVariant(1080)
                               << QStringList{"マウスポインター", "3", "1080"} << time;
    QTest::newRow("smooth x") << QStringList{"スムーズムーブ", "0", "0", "1"} << "smoothXSpin" << QVariant(1920)
                              << QStringList{"スムーズムーブ", "1920", "0", "1"} << time;
    QTest::newRow("smooth y") << QStringList{"スムーズムーブ", "0", "0", "1"} << "smoothYSpin" << QVariant(99999999)
                              << QStringList{"スムーズムーブ", "0", "99999999", "1"} << time;
    QTest::newRow("smooth seconds") << QStringList{"スムーズムーブ", "4", "5", "1"} << "commandSecondsSpin"
                                    << QVariant(2.5) << QStringList{"スムーズムーブ", "4", "5", "2.5"} << time;
    QTest::newRow("key seconds") << QStringList{"キー", "65,2", "0.01"} << "commandSecondsSpin" << QVariant(1.0)
                                 << QStringList{"キー", "65,2", "1"} << time;
    QTest::newRow("input seconds") << QStringList{"入力", "abc", "3"} << "commandSecondsSpin" << QVariant(999.99)
                                   << QStringList{"入力", "abc", "999.99"} << time;
    QTest::newRow("none, condition time") << QStringList{"なし"} << "conditionSecondsSpin" << QVariant(0.01)
                                          << QStringList{"なし"} << QStringList{"時間", "0.01"};
}

void tst_Editing::changeSomeThingWritesEveryParameter()
{
    QFETCH(QStringList, command);
    QFETCH(QString, widget);
    QFETCH(QVariant, value);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, expectedCondition);

    auto window = makeEditor();
    showProject(*window, {command}, {{"時間", "0.1"}}, 1);
    QObject* target = window->findChild<QObject*>(widget);
    QVERIFY(target);
    if (auto* combo = qobject_cast<QComboBox*>(target))
        combo->setCurrentIndex(value.toInt());
    else
        QVERIFY(target->setProperty("value", value));
    QCOMPARE(window->list_command.at(0), expected);
    QCOMPARE(window->list_condition.at(0), expectedCondition);
}

void tst_Editing::coordinateRanges()
{
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("マウスポインター"));
    window->pointerXSpin->setValue(10000000);
    window->pointerYSpin->setValue(100000000);
    QCOMPARE(window->list_command.at(0), (QStringList{"マウスポインター", "9999999", "99999999"}));
    window->pointerXSpin->setValue(-10000000);
    window->pointerYSpin->setValue(-10000000);
    QCOMPARE(window->list_command.at(0), (QStringList{"マウスポインター", "-9999999", "-9999999"}));
    window->commandSecondsSpin->setValue(5000); // not the pointer's widget: changes nothing of the entry
    QCOMPARE(window->list_command.at(0), (QStringList{"マウスポインター", "-9999999", "-9999999"}));
}

void tst_Editing::typingWritesOnEveryChange()
{
    auto window = makeEditor();
    addCommandKind(*window, QStringLiteral("入力"));
    bool consistent = false;
    QVERIFY(!navigationShown(*window, &consistent));
    QVERIFY(consistent);

    window->textEdit->setFocus();
    QTest::keyClick(window->textEdit, Qt::Key_A);
    QCOMPARE(window->list_command.at(0), (QStringList{"入力", "a", "3"}));
    QVERIFY(navigationShown(*window, &consistent));
    QVERIFY(!shown(*window, window->returnPageButton));
    QVERIFY(!shown(*window, window->deletePageButton));
    QVERIFY(!shown(*window, window->pasteButton));
    QTest::keyClick(window->textEdit, Qt::Key_Return);
    QTest::keyClicks(window->textEdit, QStringLiteral("bc"));
    QCOMPARE(window->list_command.at(0), (QStringList{"入力", "a\nbc", "3"}));

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(window->textEdit, Qt::Key_Backspace);
    QCOMPARE(window->list_command.at(0), (QStringList{"入力", "", "3"}));
    QVERIFY(!navigationShown(*window, &consistent));
    QVERIFY(consistent);

    // Text that looks like markup comes back from another page exactly as typed.
    window->textEdit->setPlainText(QStringLiteral("<b>x</b> & y"));
    window->nextPageButton->click();
    window->returnPageButton->click();
    QCOMPARE(window->textEdit->toPlainText(), QStringLiteral("<b>x</b> & y"));
    QCOMPARE(window->list_command.at(0), (QStringList{"入力", "<b>x</b> & y", "3"}));
}

void tst_Editing::emptiedTextHidesNavigationEvenWithKeyCondition()
{
    auto window = makeEditor();
    showProject(*window, {{"入力", "", "3"}}, {{"キー", "65,2"}}, 1);
    bool consistent = false;
    QVERIFY(navigationShown(*window, &consistent));
    window->textEdit->setPlainText(QStringLiteral("x"));
    window->textEdit->clear();
    QVERIFY(!navigationShown(*window, &consistent));
    QVERIFY(consistent);
}

void tst_Editing::undoneChangeCountsAsSaved()
{
    auto window = makeEditor();
    QVERIFY(window->list_command == window->saved_list_command);
    addCommandKind(*window, QStringLiteral("クリック"));
    QVERIFY(window->list_command != window->saved_list_command);
    addConditionKind(*window, QStringLiteral("即時"));
    addCommandKind(*window, QStringLiteral("なし"));
    addConditionKind(*window, QStringLiteral("時間"));
    QVERIFY(window->list_command == window->saved_list_command);
    QVERIFY(window->list_condition == window->saved_list_condition);
}

QTEST_MAIN(tst_Editing)
#include "tst_editing.moc"
