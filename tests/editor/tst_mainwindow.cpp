// The main window's spine as the editor relies on it: the state after construction and the close confirmation with
// the configuration written only when the window really closes.

#include "editortest.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>

using namespace editortest;

class tst_MainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { initProgram(); }
    void init() { resetConfig(); }

    void constructionState();
    void closeConfirmation_data();
    void closeConfirmation();
};

namespace {

QByteArray configBytes()
{
    QFile file(settings::configFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void tst_MainWindow::constructionState()
{
    auto window = makeWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("オルヴェイン Free"));
    QCOMPARE(window->size(), QSize(630, 585));
    QCOMPARE(window->minimumSize(), QSize(630, 585));
    QCOMPARE(window->maximumSize(), QSize(630, 585));
    QVERIFY(!shown(*window, window->menuBar()));
    QStringList visible;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (shown(*window, child) && !child->objectName().isEmpty() && child != window->menuBar())
            visible << child->objectName();
    visible.sort();
    QCOMPARE(visible, (QStringList{"loadProjectButton", "newProjectButton"}));
    QVERIFY(!window->keyPollTimer->isActive());
    QCOMPARE(window->list_command, (model::EntryList{{"なし"}}));
    QCOMPARE(window->currentPage, 1);
    QCOMPARE(window->confirmSaveAction->isChecked(), true);
    QCOMPARE(window->confirmPasteAction->isChecked(), false);
    QCOMPARE(window->confirmDeleteAction->isChecked(), true);
}

void tst_MainWindow::closeConfirmation_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("setting");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::newRow("untouched start screen") << false << true << int(QMessageBox::No) << false << true;
    QTest::newRow("unsaved, yes") << true << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("unsaved, no") << true << true << int(QMessageBox::No) << true << false;
    QTest::newRow("unsaved, setting off") << true << false << int(QMessageBox::No) << false << true;
}

void tst_MainWindow::closeConfirmation()
{
    QFETCH(bool, changed);
    QFETCH(bool, setting);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    auto window = makeWindow();
    if (changed) {
        window->newProjectButton->click();
        window->nextPageButton->click();
    }
    window->confirmSaveAction->setChecked(setting);
    window->confirmPasteAction->setChecked(true); // tells whether the configuration was written
    const QByteArray before = configBytes();

    BoxAnswerer answerer({QMessageBox::StandardButton(answer)});
    const bool closed = window->close();
    QCOMPARE(closed, closes);
    QCOMPARE(answerer.seen.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("最終確認"));
        QCOMPARE(answerer.seen.at(0).text, QStringLiteral("プロジェクトが保存されていません。\n終了しますか？"));
        QCOMPARE(answerer.seen.at(0).defaultButton, QMessageBox::No);
    }
    if (closes) {
        settings::Config config;
        settings::loadConfig(config);
        QVERIFY(config.isMessagePaste);
        QCOMPARE(config.isMessageFile, setting);
    } else {
        QCOMPARE(configBytes(), before);
        QVERIFY(window->isVisible());
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
