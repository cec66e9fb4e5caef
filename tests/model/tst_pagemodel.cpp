#include "model/pagemodel.h"

#include <QTest>

using model::EntryList;

class tst_PageModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Numbers as the page shows and stores them: no exponent, no grouping, no spin-box noise.
    void numberTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0.01 s") << model::secondsText(0.01) << "0.01";
        QTest::newRow("1000 s") << model::secondsText(1000.0) << "1000";
        QTest::newRow("spin box rounding") << model::secondsText(2.5000000001) << "2.5";
        QTest::newRow("negative coordinate") << model::coordinateText(-5) << "-5";
        QTest::newRow("eight digits") << model::coordinateText(99999999) << "99999999";
    }
    void numberTexts()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    void unsaved_data()
    {
        QTest::addColumn<EntryList>("commands");
        QTest::addColumn<EntryList>("conditions");
        QTest::addColumn<bool>("unsaved");
        const EntryList freshCmd{model::freshCommand()};
        const EntryList freshCond{model::freshCondition()};
        QTest::newRow("fresh") << freshCmd << freshCond << false;
        QTest::newRow("operation added") << EntryList{model::defaultCommandEntry(model::kind::Click)} << freshCond
                                         << true;
        QTest::newRow("undone by hand") << EntryList{{QStringLiteral("なし")}}
                                        << EntryList{{QStringLiteral("時間"), QStringLiteral("0.1")}} << false;
        QTest::newRow("condition changed")
            << freshCmd << EntryList{{QStringLiteral("時間"), QStringLiteral("0.2")}} << true;
        QTest::newRow("extra element") << EntryList{{QStringLiteral("なし"), QString()}} << freshCond << true;
    }
    void unsaved()
    {
        QFETCH(EntryList, commands);
        QFETCH(EntryList, conditions);
        QTEST(model::isUnsaved(commands, conditions, {model::freshCommand()}, {model::freshCondition()}), "unsaved");
    }

    // Each kind's fields where the kind keeps them; short entries read as empty and grow when written.
    void entryFields()
    {
        model::Entry smooth{"スムーズムーブ", "1", "2", "3"};
        QCOMPARE(model::commandSeconds(smooth), QStringLiteral("3"));
        model::setCoordinates(smooth, QStringLiteral("7"), QStringLiteral("8"));
        model::setCommandSeconds(smooth, QStringLiteral("0.5"));
        QCOMPARE(smooth, (model::Entry{"スムーズムーブ", "7", "8", "0.5"}));
        model::Entry key{"キー"};
        QVERIFY(model::keyCombination(key).isEmpty() && model::commandSeconds(key).isEmpty());
        model::setCommandSeconds(key, QStringLiteral("1"));
        QCOMPARE(key, (model::Entry{"キー", "", "1"}));
        model::Entry pointer{"マウスポインター", "1", "2"};
        model::setCommandSeconds(pointer, QStringLiteral("1")); // no time of its own
        QCOMPARE(pointer, (model::Entry{"マウスポインター", "1", "2"}));
        QVERIFY(model::entryKind({}).isEmpty());
    }

    void pageOperationsKeepListsTogether()
    {
        EntryList commands{model::freshCommand()};
        EntryList conditions{model::freshCondition()};
        QVERIFY(!model::removePage(commands, conditions, 0)); // the last page stays
        model::appendPage(commands, conditions);
        commands[1] = model::defaultCommandEntry(model::kind::Click);
        QVERIFY(model::insertPage(commands, conditions, 0));
        QVERIFY(!model::insertPage(commands, conditions, 4));
        QVERIFY(!model::insertPage(commands, conditions, -1));
        QCOMPARE(commands.size(), 3);
        QCOMPARE(conditions.size(), 3);
        QCOMPARE(commands.at(2).at(0), model::kind::Click);
        QVERIFY(model::removePage(commands, conditions, 2));
        QVERIFY(model::removePage(commands, conditions, 0));
        QVERIFY(!model::removePage(commands, conditions, 1));
        QCOMPARE(commands, EntryList{model::freshCommand()});
        QCOMPARE(conditions, EntryList{model::freshCondition()});
    }

    void repair_data()
    {
        QTest::addColumn<EntryList>("commands");
        QTest::addColumn<EntryList>("conditions");
        QTest::addColumn<EntryList>("fixedCommands");
        QTest::addColumn<EntryList>("fixedConditions");
        QTest::addColumn<int>("repairs");
        QTest::newRow("sound file untouched") << EntryList{{"クリック", "右", "0.5"}} << EntryList{{"即時"}}
                                              << EntryList{{"クリック", "右", "0.5"}} << EntryList{{"即時"}} << 0;
        QTest::newRow("short click padded") << EntryList{{"クリック"}} << EntryList{{"時間", "2"}}
                                            << EntryList{{"クリック", "左", "0.01"}} << EntryList{{"時間", "2"}} << 1;
        QTest::newRow("short key keeps its text")
            << EntryList{{"キー", "65,2"}} << EntryList{{"キー"}} << EntryList{{"キー", "65,2", "0.01"}}
            << EntryList{{"キー", ""}} << 2;
        QTest::newRow("empty entries") << EntryList{{}} << EntryList{{}} << EntryList{model::freshCommand()}
                                       << EntryList{model::freshCondition()} << 2;
        QTest::newRow("conditions shorter")
            << EntryList{{"なし"}, {"入力", "x", "3"}} << EntryList{{"即時"}} << EntryList{{"なし"}, {"入力", "x", "3"}}
            << EntryList{{"即時"}, model::freshCondition()} << 1;
        QTest::newRow("commands shorter")
            << EntryList{} << EntryList{{"即時"}} << EntryList{model::freshCommand()} << EntryList{{"即時"}} << 1;
        QTest::newRow("unknown kinds kept") << EntryList{{"ジャンプ"}} << EntryList{{"ホットキー", "1"}}
                                            << EntryList{{"ジャンプ"}} << EntryList{{"ホットキー", "1"}} << 0;
        QTest::newRow("no pages at all") << EntryList{} << EntryList{} << EntryList{model::freshCommand()}
                                         << EntryList{model::freshCondition()} << 1;
    }
    void repair()
    {
        QFETCH(EntryList, commands);
        QFETCH(EntryList, conditions);
        const QStringList repairs = model::repairProject(commands, conditions);
        QTEST(commands, "fixedCommands");
        QTEST(conditions, "fixedConditions");
        QTEST(int(repairs.size()), "repairs");
    }
};

QTEST_GUILESS_MAIN(tst_PageModel)
#include "tst_pagemodel.moc"
