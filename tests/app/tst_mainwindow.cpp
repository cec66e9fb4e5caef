#include "app/orvane.h"
#include "platform/fake/fakeservices.h"
#include "settings/config.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

// Answers the next message box with the given button and records its title and text.
struct BoxAnswer {
    QString title;
    QString text;
    bool seen = false;
};

void answerNextBox(BoxAnswer* answer, QMessageBox::StandardButton button)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [answer, button, poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, *poll);
            return;
        }
        answer->seen = true;
        answer->title = box->windowTitle();
        answer->text = box->text();
        box->button(button)->click();
    };
    QTimer::singleShot(0, *poll);
}

void writeConfig(const QJsonObject& obj)
{
    QFile file(settings::configFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(obj).toJson());
}

QJsonObject readConfig()
{
    QFile file(settings::configFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        platform::setServices(std::make_unique<platform::FakeServices>());
    }
    void init()
    {
        // A returning user, so that no greeting interrupts construction.
        QFile::remove(settings::configFilePath());
        writeConfig({{"is_used_this", true}, {"stert_time", 7}});
    }

    void constructionShowsStartScreenOnly()
    {
        orvane window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("オルヴェイン Free"));
        QCOMPARE(window.size(), QSize(630, 585));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!window.menuBar()->isVisible());
        QStringList visible;
        for (QWidget* child : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && child != window.menuBar())
                visible << child->objectName();
        }
        visible.sort();
        QCOMPARE(visible, (QStringList{"loadProjectButton", "newProjectButton"}));
        QCOMPARE(window.stertTime, 7);
        QCOMPARE(window.list_command, model::EntryList{model::freshCommand()});
        QCOMPARE(window.currentPage, 1);
    }

    void widgetsCarryTheirNamesAndLimits()
    {
        orvane window;
        const QStringList names{"commandGroup", "conditionGroup", "pageGroup", "newProjectButton",
                                "loadProjectButton", "commandCombo", "addCommandButton", "testButton",
                                "commandLabel", "textEdit", "clickCombo", "commandSecondsLabel",
                                "commandSecondsSpin", "conditionCombo", "addConditionButton", "conditionLabel",
                                "conditionSecondsLabel", "conditionSecondsSpin", "returnPageButton", "runButton",
                                "nextPageButton", "deletePageButton", "pageCountLabel", "pageList", "copyButton",
                                "pasteButton", "commandKeyLabel", "conditionKeyLabel", "pointerXLabel",
                                "pointerXSpin", "pointerYLabel", "pointerYSpin", "pointerGetButton",
                                "smoothXLabel", "smoothXSpin", "smoothYLabel", "smoothYSpin", "smoothGetButton"};
        for (const QString& name : names)
            QVERIFY2(window.findChild<QWidget*>(name), qPrintable(name));

        window.pointerYSpin->setValue(99999999);
        QCOMPARE(window.pointerYSpin->value(), 99999999);
        window.smoothXSpin->setValue(99999999);
        QCOMPARE(window.smoothXSpin->value(), 9999999);
        window.pointerXSpin->setValue(-99999999);
        QCOMPARE(window.pointerXSpin->value(), -9999999);
        window.conditionSecondsSpin->setValue(0.0);
        QCOMPARE(window.conditionSecondsSpin->value(), 0.01);
        window.commandSecondsSpin->setValue(5000);
        QCOMPARE(window.commandSecondsSpin->value(), 1000.0);
        QCOMPARE(window.commandCombo->count(), 6);
        QCOMPARE(window.conditionCombo->itemText(2), QStringLiteral("キー"));
        QCOMPARE(window.pageList->item(0)->text(), QStringLiteral("1.なし"));
    }

    void menusInOrder()
    {
        orvane window;
        QStringList fileMenu;
        for (QAction* action : window.fileMenu->actions())
            fileMenu << action->text();
        QCOMPARE(fileMenu, (QStringList{"新規作成", "開く", "上書き保存", "名前を付けて保存"}));
        QStringList menus;
        for (QAction* action : window.menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"ファイル", "報告", "設定", "バージョン", "ヘルプ", "その他"}));
        QVERIFY(window.confirmSaveAction->isChecked());
        QVERIFY(!window.confirmPasteAction->isChecked());
        QVERIFY(window.confirmDeleteAction->isChecked());
        window.confirmPasteAction->setChecked(true);
        QVERIFY(window.is_message_paste);
    }

    // Closing: (unsaved project, confirmation flag, answer) → (closed, configuration written).
    void closing_data()
    {
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<bool>("askFlag");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("saved project closes at once") << false << true << int(QMessageBox::No) << false << true;
        QTest::newRow("unsaved, answer Yes") << true << true << int(QMessageBox::Yes) << true << true;
        QTest::newRow("unsaved, answer No") << true << true << int(QMessageBox::No) << true << false;
        QTest::newRow("unsaved, confirmation off") << true << false << int(QMessageBox::No) << false << true;
    }
    void closing()
    {
        QFETCH(bool, unsaved);
        QFETCH(bool, askFlag);
        QFETCH(int, answer);
        writeConfig({{"is_used_this", true}, {"stert_time", 7}, {"is_message_file", askFlag}});
        orvane window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (unsaved)
            window.list_command[0] = model::defaultCommandEntry(model::kind::Click);
        window.stertTime = 42;

        BoxAnswer box;
        QFETCH(bool, asked);
        if (asked)
            answerNextBox(&box, QMessageBox::StandardButton(answer));
        const bool closed = window.close();
        QTEST(closed, "closed");
        QCOMPARE(box.seen, asked);
        if (asked) {
            QCOMPARE(box.title, QStringLiteral("最終確認"));
            QCOMPARE(box.text, QStringLiteral("プロジェクトが保存されていません。\n終了しますか？"));
        }
        // The configuration is written exactly when the close goes ahead.
        QCOMPARE(readConfig().value("stert_time").toInt(), closed ? 42 : 7);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
