// Operation and condition editing: "追加" with each kind's defaults, writing edited values into the page, and the
// show/hide rules of the page display refresh.

#include "editortest.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTextEdit>

using namespace editortest;
using model::EntryList;

namespace {

const QStringList ParameterWidgets = {
    "commandSecondsLabel",  "conditionSecondsLabel", "clickCombo",        "textEdit",      "commandSecondsSpin",
    "conditionSecondsSpin", "commandKeyLabel",       "conditionKeyLabel", "pointerXLabel", "pointerXSpin",
    "pointerYLabel",        "pointerYSpin",          "pointerGetButton",  "smoothXLabel",  "smoothXSpin",
    "smoothYLabel",         "smoothYSpin",           "smoothGetButton",   "testButton"};
const QStringList NavigationWidgets = {"runButton", "nextPageButton", "pageList", "copyButton"};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList shownParameters(const orvane& window)
{
    QStringList names;
    for (const QString& name : ParameterWidgets) {
        if (shown(window, window.findChild<QWidget*>(name)))
            names << name;
    }
    return sorted(names);
}

// The navigation set and the menu bar are shown or hidden together: returns "all", "none" or "mixed".
QString navigation(const orvane& window)
{
    int count = shown(window, window.menuBar()) ? 1 : 0;
    for (const QString& name : NavigationWidgets)
        count += shown(window, window.findChild<QWidget*>(name)) ? 1 : 0;
    return count == 0 ? QStringLiteral("none") : count == NavigationWidgets.size() + 1 ? QStringLiteral("all")
                                                                                        : QStringLiteral("mixed");
}

const QStringList InputParams = {"textEdit", "commandSecondsLabel", "commandSecondsSpin"};
const QStringList KeyParams = {"commandKeyLabel", "commandSecondsLabel", "commandSecondsSpin"};

} // namespace

class tst_Editing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fake(); }
    void init() { testsupport::writeReturningUser(); }

    // "追加" replaces the page's operation with the kind's defaults; a slow operation stretches a time condition.
    void addCommandDefaults_data()
    {
        QTest::addColumn<QString>("startCondition");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QStringList>("condition");
        QTest::newRow("click") << "時間" << "クリック" << QStringList{"クリック", "左", "0.01"} << QStringList{"時間", "5"};
        QTest::newRow("smooth move stretches time") << "時間" << "スムーズムーブ" << QStringList{"スムーズムーブ", "0", "0", "1"}
                                                    << QStringList{"時間", "1.1"};
        QTest::newRow("smooth move leaves immediate") << "即時" << "スムーズムーブ" << QStringList{"スムーズムーブ", "0", "0", "1"}
                                                      << QStringList{"即時"};
        QTest::newRow("input stretches time") << "時間" << "入力" << QStringList{"入力", "", "3"} << QStringList{"時間", "3.1"};
    }
    void addCommandDefaults()
    {
        QFETCH(QString, startCondition);
        QFETCH(QString, kind);
        auto window = makeEditor();
        addConditionKind(*window, startCondition);
        if (startCondition == QStringLiteral("時間"))
            window->conditionSecondsSpin->setValue(5);
        addCommandKind(*window, QStringLiteral("マウスポインター")); // something to replace
        window->commandCombo->setCurrentText(kind);
        QCOMPARE(window->list_command.at(0).at(0), QStringLiteral("マウスポインター")); // the selector alone: nothing
        window->addCommandButton->click();
        QTEST(window->list_command.at(0), "command");
        QTEST(window->list_condition.at(0), "condition");
        QCOMPARE(rows(window->pageList).at(1), QStringLiteral("1.") + kind);
    }

    // The refresh only reads the page. A key entry without a combination hides the navigation, but with no capture
    // running "追加" stays, so that the page is never a dead end.
    void refreshRules_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QStringList>("condition");
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QString>("nav");
        QTest::addColumn<QString>("keyText");
        QTest::newRow("key operation set") << QStringList{"キー", "65,2", "0.01"} << QStringList{"即時"} << KeyParams
                                           << "all" << "Ctrl+A";
        QTest::newRow("key operation empty") << QStringList{"キー", "", "0.01"} << QStringList{"即時"} << KeyParams
                                             << "none" << "なし";
        QTest::newRow("input empty") << QStringList{"入力", "", "3"} << QStringList{"即時"} << InputParams << "none" << "";
        QTest::newRow("key condition empty") << QStringList{"クリック", "左", "0.01"} << QStringList{"キー", ""}
            << QStringList{"clickCombo", "commandSecondsLabel", "commandSecondsSpin", "conditionKeyLabel"} << "none"
            << "";
        QTest::newRow("key condition decides: shows") << QStringList{"入力", "", "3"} << QStringList{"キー", "65,3"}
                                                      << (InputParams + QStringList{"conditionKeyLabel"}) << "all"
                                                      << "";
        QTest::newRow("key condition decides: hides") << QStringList{"キー", "112,4", "0.01"} << QStringList{"キー", ""}
                                                      << (KeyParams + QStringList{"conditionKeyLabel"}) << "none"
                                                      << "Shift+F1";
        QTest::newRow("smooth move") << QStringList{"スムーズムーブ", "1", "2", "3"} << QStringList{"時間", "1"}
                                     << QStringList{"smoothXLabel", "smoothXSpin", "smoothYLabel", "smoothYSpin",
                                                    "smoothGetButton", "testButton", "commandSecondsLabel",
                                                    "commandSecondsSpin", "conditionSecondsLabel",
                                                    "conditionSecondsSpin"}
                                     << "all" << "";
        QTest::newRow("unknown kinds") << QStringList{"謎", "1"} << QStringList{"不明", "1"} << QStringList{} << "all" << "";
    }
    void refreshRules()
    {
        QFETCH(QStringList, command);
        QFETCH(QStringList, condition);
        QFETCH(QStringList, parameters);
        QFETCH(QString, nav);
        QFETCH(QString, keyText);
        auto window = makeEditor();
        showProject(*window, {command, command}, {condition, condition}, 1);
        QCOMPARE(shownParameters(*window), sorted(parameters));
        QCOMPARE(navigation(*window), nav);
        const bool adds = nav == QStringLiteral("all") || command.at(0) != QStringLiteral("入力");
        QCOMPARE(shown(*window, window->addCommandButton), adds);
        QCOMPARE(shown(*window, window->addConditionButton), adds);
        if (nav == QStringLiteral("none")) // nor can the page be left or pasted over
            QVERIFY(!shown(*window, window->deletePageButton));
        if (!keyText.isEmpty())
            QCOMPARE(window->commandKeyLabel->text(), keyText);
        QCOMPARE(window->list_command.at(0), command);
        QCOMPARE(window->list_condition.at(0), condition);
    }

    // A value the widgets cannot show is shown clamped but kept until the user edits the page.
    void smallSecondsShownClampedButKept()
    {
        auto window = makeEditor();
        showProject(*window, {{"クリック", "右", "0.001"}}, {{"時間", "0.004"}}, 1);
        QCOMPARE(window->commandSecondsSpin->value(), 0.01);
        QCOMPARE(window->clickCombo->currentText(), QStringLiteral("右"));
        QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.001"}));
        window->conditionSecondsSpin->setValue(0.2);
        QCOMPARE(window->list_command.at(0), (QStringList{"クリック", "右", "0.01"}));
        QCOMPARE(window->list_condition.at(0), (QStringList{"時間", "0.2"}));
    }

    void editWritesTheEntry_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("expectedCondition");
        const QStringList time = {"時間", "0.1"};
        QTest::newRow("click button") << QStringList{"クリック", "左", "2"} << "clickCombo" << QVariant(1)
                                      << QStringList{"クリック", "右", "2"} << time;
        QTest::newRow("pointer x") << QStringList{"マウスポインター", "0", "0"} << "pointerXSpin" << QVariant(-5)
                                   << QStringList{"マウスポインター", "-5", "0"} << time;
        QTest::newRow("key seconds") << QStringList{"キー", "65,2", "0.01"} << "commandSecondsSpin" << QVariant(1.0)
                                     << QStringList{"キー", "65,2", "1"} << time;
    }
    void editWritesTheEntry()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, widget);
        QFETCH(QVariant, value);
        auto window = makeEditor();
        showProject(*window, {command}, {{"時間", "0.1"}}, 1);
        QObject* target = window->findChild<QObject*>(widget);
        if (auto* combo = qobject_cast<QComboBox*>(target))
            combo->setCurrentIndex(value.toInt());
        else
            QVERIFY(target->setProperty("value", value));
        QTEST(window->list_command.at(0), "expected");
        QTEST(window->list_condition.at(0), "expectedCondition");
    }

    void typingWritesOnEveryChange()
    {
        auto window = makeEditor();
        showProject(*window, {{"入力", "", "3"}}, {{"キー", "65,2"}}, 1);
        window->textEdit->setFocus();
        QTest::keyClicks(window->textEdit, QStringLiteral("a"));
        QTest::keyClick(window->textEdit, Qt::Key_Return);
        QTest::keyClicks(window->textEdit, QStringLiteral("<b>"));
        QCOMPARE(window->list_command.at(0), (QStringList{"入力", "a\n<b>", "3"}));
        QCOMPARE(navigation(*window), QStringLiteral("all"));
        window->nextPageButton->click();
        window->returnPageButton->click();
        QCOMPARE(window->textEdit->toPlainText(), QStringLiteral("a\n<b>")); // markup comes back as typed
        // Emptied text hides the navigation even with a key condition.
        window->textEdit->clear();
        QCOMPARE(window->list_command.at(0), (QStringList{"入力", "", "3"}));
        QCOMPARE(navigation(*window), QStringLiteral("none"));
    }

    void undoneChangeCountsAsSaved()
    {
        auto window = makeEditor();
        addCommandKind(*window, QStringLiteral("クリック"));
        QVERIFY(window->list_command != window->saved_list_command);
        addCommandKind(*window, QStringLiteral("なし"));
        QVERIFY(window->list_command == window->saved_list_command);
    }
};

QTEST_MAIN(tst_Editing)
#include "tst_editing.moc"
