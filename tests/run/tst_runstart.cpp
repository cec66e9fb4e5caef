#include "app/orvane.h"
#include "fakeinput.h"
#include "runui/rundialog.h"
#include "settings/config.h"

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Runs fn on the run settings dialog once it is open (it runs its own modal loop). Each poll schedules the next by
// value: a poll that held itself would never be freed.
void onRunDialog(std::function<void(RunDialog*)> fn)
{
    QTimer::singleShot(0, [fn] {
        if (auto* dialog = qobject_cast<RunDialog*>(QApplication::activeModalWidget()))
            fn(dialog);
        else
            QTimer::singleShot(10, [fn] { onRunDialog(fn); });
    });
}

void setUpRun(RunDialog* dialog, int runNumber)
{
    dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->setValue(1);
    dialog->findChild<QSpinBox*>(QStringLiteral("runNumberSpinBox"))->setValue(runNumber);
    dialog->findChild<QPushButton*>(QStringLiteral("startButton"))->click();
}

QString desktop()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

} // namespace

class TestRunStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        testsupport::fake();
        testsupport::writeReturningUser(); // no greeting box interrupts the window's construction
    }
    void init() { testsupport::fake().clearEvents(); }

    // A cancelled dialog changes nothing; an accepted one stores its values, hides the window for the run and brings it
    // back; a run whose input is not delivered says so over the window.
    void runStartsOnlyWhenAccepted()
    {
        auto& fake = testsupport::fake();
        orvane window;
        window.filePath = desktop();
        window.stertTime = 7;
        window.runNumber = 3;
        window.stopCommand = QStringLiteral("83,3");
        window.is_used_stert = false;
        window.list_command = {{model::kind::Pointer, QStringLiteral("7"), QStringLiteral("8")}};
        window.list_condition = {{model::kind::Immediate}};
        window.show();
        onRunDialog([](RunDialog* dialog) {
            dialog->findChild<QSpinBox*>(QStringLiteral("stertTimeSpinBox"))->setValue(99);
            dialog->reject();
        });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QCOMPARE(window.stertTime, 7);
        QCOMPARE(window.runNumber, 3);
        QVERIFY(!window.is_used_stert);
        QVERIFY(window.isVisible());
        QVERIFY(window.findChildren<QThread*>().isEmpty());

        window.is_used_stert = true;
        onRunDialog([](RunDialog* dialog) { setUpRun(dialog, 2); });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QCOMPARE(window.stertTime, 1);
        QCOMPARE(window.runNumber, 2);
        QVERIFY(window.isHidden());
        QCOMPARE(window.findChildren<QThread*>().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 20000);
        QCOMPARE(recorded(fake), (QStringList{"P7,8", "P7,8"}));
        QTRY_VERIFY_WITH_TIMEOUT(window.findChildren<QThread*>().isEmpty(), 10000);

        // A second run is a new, independent one; this time the input does not arrive, and the window says so.
        fake.clearEvents();
        fake.setFailSynthesis(0);
        testsupport::BoxAnswerer boxes;
        onRunDialog([](RunDialog* dialog) { setUpRun(dialog, 1); });
        window.findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QVERIFY(window.isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1, 20000);
        fake.setFailSynthesis(-1);
        QVERIFY(boxes.seen.at(0).parentVisible);
        QCOMPARE(boxes.seen.at(0).icon, QMessageBox::Warning);
        QVERIFY(boxes.seen.at(0).text.startsWith(QStringLiteral("1 ページ目: マウスポインターを (7, 8) へ")));
        QVERIFY(recorded(fake).isEmpty());
    }

    void closingDuringARunLetsGoOfEverything()
    {
        auto& fake = testsupport::fake();
        auto window = std::make_unique<orvane>();
        window->filePath = desktop();
        window->is_used_stert = true;
        window->list_command = {{model::kind::Key, QStringLiteral("65,2"), QStringLiteral("100")},
                                {model::kind::Click, model::LeftButton, QStringLiteral("100")}};
        window->list_condition = {{model::kind::Immediate}, {model::kind::Time, QStringLiteral("100")}};
        window->show();
        onRunDialog([](RunDialog* dialog) { setUpRun(dialog, 1); });
        window->findChild<QPushButton*>(QStringLiteral("runButton"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(fake.heldBySynthesis() == (std::set<int>{-1, 17, 65}), 20000);
        window.reset();
        QVERIFY(fake.heldBySynthesis().empty());
    }
};

QTEST_MAIN(TestRunStart)
#include "tst_runstart.moc"
