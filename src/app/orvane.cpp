#include "orvane.h"

#include "dialogs/filechooser.h"
#include "editor/editedproject.h"
#include "editor/hoverhidewindow.h"
#include "editor/keycapturesession.h"
#include "model/projectfile.h"
#include "panels/conditionpanel.h"
#include "panels/operationpanel.h"
#include "panels/pagepanel.h"
#include "panels/placement.h"
#include "platform/inputservices.h"
#include "settings/config.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// The one style of the editor's controls: 24 px text, a few larger or smaller by name, framed groups, a red 削除.
// It is set on the editor area, not the window, so that the message boxes keep the desktop's look.
const QString EditorStyle =
    QStringLiteral("QPushButton, QComboBox, QLabel, QTextEdit, QDoubleSpinBox, QSpinBox { font-size: 24px; }"
                   "#runButton, #returnPageButton, #nextPageButton { font-size: 48px; }"
                   "#pasteButton { font-size: 16px; }"
                   "#commandSecondsLabel, #conditionSecondsLabel { font-size: 30px; }"
                   "QToolTip { font-size: 14pt; }"
                   "QGroupBox { font-size: 24px; border: 2px solid black; border-radius: 5px; margin-top: 10px; }"
                   "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 3px; }"
                   "#deletePageButton { background-color: #FF0000; color: white; border-radius: 5px; }"
                   "#deletePageButton:hover { background-color: #CC0000; }"
                   "#deletePageButton:pressed { background-color: #990000; }");

using panels::place;

} // namespace

orvane::orvane(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(tr("オルヴェイン Free"));
    setFixedSize(630, 585);
    settings::loadConfig(config);
    project = new editor::EditedProject(this);
    connect(project, &editor::EditedProject::replaced, this, [this] {
        currentPage = 1;
        resetHistory();
        refreshPage();
    });
    fileChooser = new dialogs::FileChooser(this);
    buildWidgets();
    buildCaptures();
    // Before the menus, which take the help mode it may turn on.
    greetFirstRun();
    buildMenus();

    connect(runButton, &QPushButton::clicked, this, &orvane::stertRun);
    offerRecoveryCopy();
    // On a Wayland desktop without the input protocols (GNOME, KDE) the program runs on XWayland, and what a run types
    // and clicks reaches only X11 windows: said once, as the editor comes up, as --run says it.
    if (platform::desktopLimit() == platform::DesktopLimit::X11WindowsOnly)
        QTimer::singleShot(0, this, [this] {
            QMessageBox::warning(
                this, QStringLiteral("Wayland"),
                tr("このデスクトップ（Wayland）では、入力は X11（XWayland）のウィンドウにだけ届きます。"));
        });
}

orvane::~orvane()
{
    stopActiveRun();
    if (hoverWindow) {
        // The hint has no parent; it must not outlive the window nor call back into it while it is torn down.
        disconnect(hoverWindow, nullptr, this, nullptr);
        delete hoverWindow;
        hoverWindow = nullptr;
    }
    unregisterGlobalHotkey();
    removeKeyCapture();
}

void orvane::buildWidgets()
{
    // The controls are placed by pixel on an area as large as the window, below the menu bar when that shows.
    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("editorArea"));
    area->setGeometry(rect());
    area->setStyleSheet(EditorStyle);

    newProjectButton =
        place(new QPushButton(tr("新しいプロジェクトを作成"), area), "newProjectButton", 10, 10, 610, 60);
    newProjectButton->show();
    connect(newProjectButton, &QPushButton::clicked, this, &orvane::addNewCommand);
    loadProjectButton =
        place(new QPushButton(tr("プロジェクトを読み込む"), area), "loadProjectButton", 10, 80, 610, 60);
    loadProjectButton->show();
    connect(loadProjectButton, &QPushButton::clicked, this, &orvane::importedCommand);

    operationPanel = new OperationPanel(area);
    connect(operationPanel, &OperationPanel::addRequested, this, &orvane::addCommand);
    connect(operationPanel, &OperationPanel::testRequested, this, &orvane::moveMousePointer);
    connect(operationPanel, &OperationPanel::positionRequested, this, &orvane::getCoordinate);
    connect(operationPanel, &OperationPanel::edited, this, &orvane::changeSomeThing);

    conditionPanel = new ConditionPanel(area);
    connect(conditionPanel, &ConditionPanel::addRequested, this, &orvane::addCondition);
    connect(conditionPanel, &ConditionPanel::edited, this, &orvane::changeSomeThing);

    // Made here, above the condition's 秒, which reaches into the page frame.
    pagePanel = new PagePanel(area);
    connect(pagePanel, &PagePanel::previousPageRequested, this, &orvane::returnPage);
    connect(pagePanel, &PagePanel::nextPageRequested, this, &orvane::nextPage);
    connect(pagePanel, &PagePanel::deletePageRequested, this, &orvane::deletePage);
    connect(pagePanel, &PagePanel::rowChosen, this, &orvane::changeWidgetPage);
    connect(pagePanel, &PagePanel::copyRequested, this, &orvane::copy);
    connect(pagePanel, &PagePanel::pageMoved, this, &orvane::movePage);
    connect(pagePanel, &PagePanel::pasteRequested, this, &orvane::paste);
    runButton = place(new QPushButton(tr("実行"), area), "runButton", 10, 525, 610, 53);

    menuBar()->setObjectName(QStringLiteral("menuBar"));
    menuBar()->hide();

    // Beside 追加 of the area being captured (moved there when shown), where 追加 is hidden during a capture.
    cancelCaptureButton = place(new QPushButton(tr("キャンセル"), area), "cancelCaptureButton", 240, 60, 160, 38);
    connect(cancelCaptureButton, &QPushButton::clicked, this, &orvane::cancelKeyCapture);
}

bool orvane::confirm(const QString& text)
{
    return QMessageBox::warning(this, tr("最終確認"), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool orvane::askBeforeClosing()
{
    if (!project->isUnsaved())
        return true;
    if (config.isMessageFile) {
        QMessageBox box(QMessageBox::Warning, tr("最終確認"),
                        tr("プロジェクトが保存されていません。\n保存して終了しますか？"),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.button(QMessageBox::Save)->setText(tr("保存して終了"));
        box.button(QMessageBox::Discard)->setText(tr("保存せずに終了"));
        box.button(QMessageBox::Cancel)->setText(tr("キャンセル"));
        box.setDefaultButton(QMessageBox::Cancel);
        const int answer = box.exec();
        // A save that was cancelled or failed keeps the window: closing now would lose the project.
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !saveProject()))
            return false;
    }
    if (project->isUnsaved())
        project->letGo();
    return true;
}

void orvane::closeEvent(QCloseEvent* event)
{
    if (!askBeforeClosing()) {
        event->ignore();
        return;
    }
    settings::saveConfig(config);
    unregisterGlobalHotkey();
    event->accept();
}
