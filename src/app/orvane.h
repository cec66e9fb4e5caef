#pragma once

// The main window: owns the project being edited, the configuration values and every editor widget. Its definition is
// split by concern: construction and wiring in app/, each group of slots in the file of its layer.

#include "model/pagemodel.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QTimer;
class QUrl;
class HoverHideWindow;
class QThread;
class Run;
struct RunState;

class orvane final : public QMainWindow {
    Q_OBJECT

public:
    explicit orvane(QWidget* parent = nullptr);
    ~orvane() override;

    // Holds what the desktop-wide hot key of a coordinate capture does. The backend sees the hot key among the GUI
    // loop's native events and hands its identifier here.
    class GlobalHotkeyFilter {
    public:
        explicit GlobalHotkeyFilter(int id);
        // Runs the callback when firedId is this filter's identifier; returns whether it did.
        bool deliver(int firedId) const;

        std::function<void()> callback;
        int id = 0;
    };

    // ---- Configuration -----------------------------------------------------------------------------------------
    void loadConfig();
    void saveConfig();

    // Opens the project file the program was started with (a double-click in the file manager: Exec=orvane %f) in the
    // editor, as "開く" would; a file that cannot be read gives the same warning and leaves the start screen.
    void openProjectAtStart(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

    // ---- Slots: coordinate capture -----------------------------------------------------------------------------
private Q_SLOTS:
    void getCoordinate();
    void getCoordinate2();
    void moveMousePointer();

    // ---- Slots: keyboard capture -------------------------------------------------------------------------------
private Q_SLOTS:
    void pollKeystroke();

    // ---- Slots: operation and condition editing ----------------------------------------------------------------
private Q_SLOTS:
    void addNewCommand();
    void addCommand();
    void addCondition();
    void changeMenuAddCommand();
    void changeMenuAddCondition();
    void changeSomeThing();

    // ---- Slots: page navigation and page operations ------------------------------------------------------------
private Q_SLOTS:
    void nextPage();
    void returnPage();
    void changeWidgetPage();
    void deletePage();
    void copy();
    void paste();
    void newFile();

    // ---- Slots: project files ----------------------------------------------------------------------------------
private Q_SLOTS:
    void saveFile1();
    void saveFile3();
    void loadFile1();
    void importedCommand();

    // ---- Slots: run start ----------------------------------------------------------------------------------------
private Q_SLOTS:
    // The run button: asks for the run settings, keeps them and starts the run when the dialog is accepted.
    void stertRun();
    // The run has ended: the window comes back.
    void onRunFinished();

    // ---- Slots: reports and help -------------------------------------------------------------------------------
private Q_SLOTS:
    void reportBug();
    void reportImprovementSuggestion();

private:
    void buildWidgets();
    void buildMenus();
    bool isProjectUnsaved() const;
    // Shows a warning box titled "最終確認" with Yes and No (No the default); true for Yes.
    bool confirm(const QString& text);

    // ---- Helpers: coordinate capture ---------------------------------------------------------------------------
public:
    void registerGlobalHotkey();
    void unregisterGlobalHotkey();

private:

    // ---- Helpers: keyboard capture -----------------------------------------------------------------------------
    // Starts capturing a key combination for the operation or the condition of the current page; previousEntry is
    // what the page held before "追加", given back if the capture cannot start.
    void startKeyCapture(bool forCondition, const QStringList& previousEntry);
    void setCaptureMode(bool capturing, bool forCondition);
    bool keyCaptureInProgress() const;
    bool installKeyCapture();
    // Ends a capture in progress (if any) and removes the keyboard capture from the desktop.
    void removeKeyCapture();

    // ---- Helpers: operation and condition editing --------------------------------------------------------------
    void openEditor();

public:
    // Brings every editor widget, the page list, the counter and the window title into line with the model.
    void refreshPage();

private:
    // Shows or hides the controls that must stay out of reach while the page waits for a key or a text.
    void setNavigationVisible(bool visible);
    // Hides "←" on page 1, "削除" with one page and "ペースト" with an empty copy buffer.
    void hideUnavailablePageButtons();
    QStringList& currentCommand();
    QStringList& currentCondition();

    // ---- Helpers: page navigation ------------------------------------------------------------------------------

    // ---- Helpers: project files --------------------------------------------------------------------------------
    bool writeProject();
    bool readProject();
    bool isUnnamedProject() const;

public:
    // Asks the user for a file name (parent, caption, start path, filter); empty when cancelled. Replaceable so
    // that tests can answer without a native dialog; the file dialogs are used while these are empty.
    std::function<QString(QWidget*, const QString&, const QString&, const QString&)> askSaveFileName;
    std::function<QString(QWidget*, const QString&, const QString&, const QString&)> askOpenFileName;

private:

    // ---- Helpers: run start --------------------------------------------------------------------------------------
    // Hands copies of the project to a new run on a worker thread and hides the window.
    void startRun();
    // Ends a run still in progress and waits for it (the program is closing).
    void stopActiveRun();
    QPointer<Run> activeRun;
    QPointer<QThread> activeRunThread;
    std::shared_ptr<RunState> activeRunState;

    // ---- Helpers: reports and help (editor/helpmode.cpp) -------------------------------------------------------
    // The 25 controls that explain themselves in help mode, with their texts, in the order they are set.
    QList<std::pair<QWidget*, QString>> helpToolTips() const;
    // Installs every help tool tip (true) or clears them all (false); is_help is left to the configuration save.
    void setHelpMode(bool on);
    // On the very first start: the greeting box, then is_used_this and is_help become true.
    void greetFirstRun();
    // Connects the version, form-page, report and document actions to their handlers.
    void connectInformationActions();
    void showVersionInformation();
    // Asks before starting the browser, then opens the form page (HTTPS only).
    void openFormPage(const QUrl& url);
    void showDocument(const QString& path);

public:
    // ---- State (declaration order as the window's data model) --------------------------------------------------
    HoverHideWindow* hoverWindow = nullptr;
    int stertTime = 5;
    int runNumber = 1;
    QString stopCommand = QStringLiteral("83,3");
    QString filePath;
    QString lastFilePath;
    bool is_used_stert = false;
    bool is_used_this = false;
    bool is_help = false;
    bool is_message_file = true;
    bool is_message_paste = false;
    bool is_message_delete = true;
    bool is_japanese = true;
    QString selectedCommandKind = QStringLiteral("なし");
    QString selectedConditionKind = QStringLiteral("時間");
    model::EntryList list_command{model::freshCommand()};
    model::EntryList list_condition{model::freshCondition()};
    model::EntryList saved_list_command{model::freshCommand()};
    model::EntryList saved_list_condition{model::freshCondition()};
    int currentPage = 1;
    bool captureForCondition = false;
    bool isRefreshing = false;
    QStringList copiedCommand;
    QStringList copiedCondition;
    GlobalHotkeyFilter* hotkeyFilter = nullptr;
    bool hotkeyRegistered = false;
    int hotkeyId = 1001;
    QTimer* keyPollTimer = nullptr;

    // ---- Widgets, in creation order ----------------------------------------------------------------------------
    QGroupBox* commandGroup = nullptr;
    QGroupBox* conditionGroup = nullptr;
    QGroupBox* pageGroup = nullptr;
    QPushButton* newProjectButton = nullptr;
    QPushButton* loadProjectButton = nullptr;
    QComboBox* commandCombo = nullptr;
    QPushButton* addCommandButton = nullptr;
    QPushButton* testButton = nullptr;
    QLabel* commandLabel = nullptr;
    QTextEdit* textEdit = nullptr;
    QComboBox* clickCombo = nullptr;
    QLabel* commandSecondsLabel = nullptr;
    QDoubleSpinBox* commandSecondsSpin = nullptr;
    QComboBox* conditionCombo = nullptr;
    QPushButton* addConditionButton = nullptr;
    QLabel* conditionLabel = nullptr;
    QLabel* conditionSecondsLabel = nullptr;
    QDoubleSpinBox* conditionSecondsSpin = nullptr;
    QPushButton* returnPageButton = nullptr;
    QPushButton* runButton = nullptr;
    QPushButton* nextPageButton = nullptr;
    QPushButton* deletePageButton = nullptr;
    QLabel* pageCountLabel = nullptr;
    QListWidget* pageList = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* pasteButton = nullptr;
    QLabel* commandKeyLabel = nullptr;
    QLabel* conditionKeyLabel = nullptr;
    QLabel* pointerXLabel = nullptr;
    QSpinBox* pointerXSpin = nullptr;
    QLabel* pointerYLabel = nullptr;
    QSpinBox* pointerYSpin = nullptr;
    QPushButton* pointerGetButton = nullptr;
    QLabel* smoothXLabel = nullptr;
    QSpinBox* smoothXSpin = nullptr;
    QLabel* smoothYLabel = nullptr;
    QSpinBox* smoothYSpin = nullptr;
    QPushButton* smoothGetButton = nullptr;

    // ---- Menus and actions -------------------------------------------------------------------------------------
    QMenu* fileMenu = nullptr;
    QMenu* reportMenu = nullptr;
    QMenu* settingsMenu = nullptr;
    QMenu* versionMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QMenu* otherMenu = nullptr;
    QAction* newFileAction = nullptr;
    QAction* openAction = nullptr;
    QAction* overwriteSaveAction = nullptr;
    QAction* saveAsAction = nullptr;
    QAction* reportBugAction = nullptr;
    QAction* reportImprovementAction = nullptr;
    QAction* replyAction = nullptr;
    QAction* confirmSaveAction = nullptr;
    QAction* confirmPasteAction = nullptr;
    QAction* confirmDeleteAction = nullptr;
    QAction* versionAction = nullptr;
    QAction* helpModeAction = nullptr;
    QAction* askUsageAction = nullptr;
    QAction* termsAction = nullptr;
    QAction* openSourceNoticeAction = nullptr;
    QAction* qtLibraryInfoAction = nullptr;
    QAction* lgplTextAction = nullptr;
};
