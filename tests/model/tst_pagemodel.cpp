#include "model/pagemodel.h"
#include "record/recordedpages.h"

#include <QTest>

using model::EntryList;

namespace {

// Events written "time:what": L/R x,y a button down, l/r up, +vk[text] a key down, -vk up, m x,y a motion.
std::vector<platform::InputEvent> events(const QString& script)
{
    using T = platform::InputEvent::Type;
    std::vector<platform::InputEvent> list;
    for (const QString& token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        platform::InputEvent e;
        e.time = token.section(QLatin1Char(':'), 0, 0).toLongLong();
        const QString what = token.section(QLatin1Char(':'), 1);
        const QChar c = what.at(0);
        const QStringList xy = what.mid(1).split(QLatin1Char(','));
        e.x = xy.value(0).toInt();
        e.y = xy.value(1).toInt();
        e.button = c.toLower() == QLatin1Char('l') ? platform::MouseButton::Left : platform::MouseButton::Right;
        e.type = c == QLatin1Char('m') ? T::Motion : c.isUpper() ? T::ButtonDown : T::ButtonUp;
        if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
            e.type = c == QLatin1Char('+') ? T::KeyDown : T::KeyUp;
            qsizetype digits = 1;
            while (digits < what.size() && what.at(digits).isDigit())
                ++digits;
            e.vk = what.mid(1, digits - 1).toInt();
            e.text = what.mid(digits).replace(QStringLiteral("\\r"), QStringLiteral("\r")).toStdU16String();
        }
        list.push_back(e);
    }
    return list;
}

} // namespace

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

    // What a recording becomes; pages written "operation fields | condition fields", joined by "; ".
    void recordedPages_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<double>("idleCap");
        QTest::addColumn<QString>("pages");
        QTest::newRow("held click") << "1000:L100,200 1080:l" << false << 0.0
                                    << "マウスポインター 100 200 | 即時; クリック 左 0.08 | 時間 0.08";
        QTest::newRow("capitals typed as one text") << "0:+160 5:+72H 30:-72 40:-160 100:+69e 130:-69 200:+89y 230:-89"
                                                    << false << 0.0 << "入力 Hey 0.29 | 時間 0.23";
        QTest::newRow("a long pause splits a text")
            << "0:+65a 10:-65 3000:+66b 3010:-66" << false << 0.0 << "入力 a 0.01 | 時間 3; 入力 b 0.01 | 時間 0.01";
        QTest::newRow("Ctrl+A and Return are keys")
            << "0:+162 10:+65\x01 60:-65 70:-162 500:+13\\r 520:-13 1234:R5,6 1300:r" << false << 0.0
            << "キー 65,2 0.05 | 時間 0.49; キー 13,0 0.02 | 時間 0.73; マウスポインター 5 6 | 即時; クリック 右 0.07 "
               "| "
               "時間 0.07";
        QTest::newRow("rounding never adds up") << "0:L1,1 5:l 14:L1,1 19:l 28:L1,1 33:l" << false << 0.0
                                                << "マウスポインター 1 1 | 即時; クリック 左 0.01 | 時間 0.01; "
                                                   "マウスポインター 1 1 | 即時; クリック 左 0.01 | 時間 0.02; "
                                                   "マウスポインター 1 1 | 即時; クリック 左 0.01 | 時間 0.01";
        QTest::newRow("idle capped") << "0:+65a 10:-65 60000:+66b 60010:-66" << false << 2.0
                                     << "入力 a 0.01 | 時間 2.01; 入力 b 0.01 | 時間 0.01";
        QTest::newRow("stop left out, unfinished click too")
            << "0:+65a 10:-65 100:+162 110:+164 120:+83 130:-83 200:+66b 300:L1,1" << false << 0.0
            << "入力 a 0.01 | 時間 0.01";
        QTest::newRow("tray click left out") << "0:+65a 10:-65 100:L1,1" << false << 0.0 << "入力 a 0.01 | 時間 0.01";
        QString path = QStringLiteral("0:L0,0 10:l");
        for (int i = 1; i <= 100; ++i) // right along a line, then down: two segments
            path += QStringLiteral(" %1:m%2,%3").arg(10 + i * 10).arg(std::min(i, 50) * 4).arg(std::max(0, i - 50) * 4);
        QTest::newRow("moves left out") << path << false << 0.0
                                        << "マウスポインター 0 0 | 即時; クリック 左 0.01 | 時間 0.01";
        QTest::newRow("path simplified")
            << path + " 2000:R0,0 2010:r" << true << 1.0
            << "マウスポインター 0 0 | 即時; クリック 左 0.01 | 時間 0.02; スムーズムーブ 200 0 0.49 | 時間 0.49; "
               "スムーズムーブ 200 200 0.5 | 時間 1.49; マウスポインター 0 0 | 即時; クリック 右 0.01 | 時間 0.01";
    }
    void recordedPages()
    {
        QFETCH(QString, script);
        record::Options options;
        QFETCH(bool, moves);
        options.moves = moves;
        QFETCH(double, idleCap);
        options.idleCapSeconds = idleCap;
        options.stop = {83, 3};
        const record::Pages made = record::makePages(events(script), options);
        QStringList pages;
        for (qsizetype p = 0; p < made.commands.size(); ++p)
            pages << made.commands[p].join(QLatin1Char(' ')) + " | " + made.conditions.value(p).join(QLatin1Char(' '));
        QTEST(pages.join(QStringLiteral("; ")), "pages");
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
