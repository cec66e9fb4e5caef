#pragma once

// The main window: composes the editor from parts of their own (the edited project, the operation, condition and page
// panels, the file chooser) that say by signal what the user did, and keeps the configuration. Its definition is split
// by concern into the orvane_*.cpp files named below. Its slots stay thin: the decisions live in editor/.

#include "editor/projecthistory.h"
#include "settings/config.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QMenu;
class QPoint;
class QPushButton;
class QUrl;
class HoverHideWindow;
class ConditionPanel;
class OperationPanel;
class PagePanel;
namespace dialogs {
class FileChooser;
}
namespace editor {
class EditedProject;
struct PageViewState;
class KeyCaptureSession;
} // namespace editor
namespace platform {
class GlobalHotKey;
}
class RunLauncher;
namespace cli {
struct RunReport;
}

class orvane final : public QMainWindow {
    Q_OBJECT

public:
    explicit orvane(QWidget* parent = nullptr);
    ~orvane() override;

    // What a close does, without the question about an unsaved project: stops a run, keeps an unsaved project as the
    // recovery copy (the user's file stays as it is), saves the configuration, gives up the hot key. For a quit signal
    // and the end of the desktop session; may run twice.
    void finishWithoutQuestion();
    // The end of the desktop session (orvane_session.cpp): with mayAsk (the session manager lets us talk to the user)
    // an unsaved project gets the question of a close, then the session ends as finishWithoutQuestion() ends it.
    // False when the user cancelled: the session should not end.
    bool endSession(bool mayAsk);

    // Opens the project file the program was started with (a double-click in the file manager: Exec=orvane %f) in the
    // editor, as "開く" would; a file that cannot be read gives the same warning and leaves the start screen.
    void openProjectAtStart(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private Q_SLOTS:
    // Coordinate capture (orvane_capture.cpp).
    void getCoordinate();
    void getCoordinate2();
    void moveMousePointer();
    // Keyboard capture (orvane_capture.cpp): the combination the capture saw goes into the current page.
    void storeCapturedKey(const QString& combination);
    // Operation and condition editing (orvane_editing.cpp).
    void addNewCommand();
    void addCommand(const QString& kind);
    void addCondition(const QString& kind);
    // A parameter control changed; control is its object name.
    void changeSomeThing(const QString& control);
    // Page navigation and page operations (orvane_pages.cpp).
    void nextPage();
    void returnPage();
    void changeWidgetPage();
    void deletePage();
    void copy();
    void paste();
    void newFile();
    // Project files (orvane_files.cpp).
    void saveFile1();
    void saveFile3();
    void loadFile1();
    void importedCommand();
    // Run start (run/orvane_run.cpp): asks for the run settings, keeps them and starts the run when accepted.
    void stertRun();
    // Undo, redo, page reordering, recent files and the ways out of a capture (orvane_conveniences.cpp).
    void undo();
    void redo();
    void cancelKeyCapture();
    void cancelCoordinateCapture();

private:
    // Brings every editor widget, the page list, the counter and the window title into line with the project.
    void refreshPage();

    // Construction and configuration (orvane.cpp).
    void buildWidgets();
    // The question before an unsaved project is closed (when the setting asks it); true when the window may go. A
    // project let go without saving is remembered, so that no recovery copy brings it back.
    bool askBeforeClosing();
    // The recovery copy (orvane_session.cpp): written for an unsaved project, offered once at construction.
    void keepRecoveryCopy();
    void offerRecoveryCopy();
    // Shows a warning box titled "最終確認" with Yes and No (No the default); true for Yes.
    bool confirm(const QString& text);

    // Key and coordinate capture: the capture session and the hot keys, Ctrl+Alt+G and Escape.
    void buildCaptures();
    void unregisterGlobalHotkey();
    void storeCoordinate(int x, int y);

    // Keyboard capture: starts capturing a key combination for the operation or the condition of the current page;
    // previousEntry is what the page held before "追加", given back if the capture cannot start.
    void startKeyCapture(bool forCondition, const QStringList& previousEntry);
    // Ends a capture in progress (if any) and removes the keyboard capture from the desktop.
    void removeKeyCapture();

    // Editing and the page display.
    void openEditor();
    editor::PageViewState currentViewState(bool typing = false) const;
    // Shows, enables and labels the page's controls as the view state says; values and the page list stay.
    void applyViewState(const editor::PageViewState& view);
    QStringList& currentCommand();
    QStringList& currentCondition();

    // Project files. The saves return whether the project was written (false when cancelled or failed).
    bool saveProject();
    bool saveProjectAs();
    void openRecentFile(const QString& path);
    void rememberRecentFile();
    void updateRecentMenu();
    bool writeProject();
    bool readProject();
    bool isUnnamedProject() const;

    // Run start: hands copies of the project to a new run on a worker thread and hides the window.
    void startRun();
    // The run has ended: its report is kept and the window comes back.
    void onRunFinished(const cli::RunReport& report);
    // Ends a run still in progress and waits for it (the program is closing).
    void stopActiveRun();
    // Recording (orvane_record.cpp): asks for its settings, records with the window hidden, inserts the pages.
    void startRecording();

    // Undo history, reordering and the page list's shortcuts (orvane_conveniences.cpp).
    void buildEditActions(QMenu* editMenu);
    // Takes the current project into the undo history; a mergeKey joins consecutive edits of one field.
    void recordChange(const QString& mergeKey = {});
    void resetHistory();
    void showSnapshot(const editor::ProjectSnapshot& snapshot);
    // Moves page from (1-based) to the place of page to and shows it there.
    void movePage(int from, int to);
    void showPageListMenu(const QPoint& position);

    // Menus, help mode and reports (orvane_menus.cpp).
    void buildMenus();
    // Installs the tool tips of the controls that explain themselves in help mode (true) or clears them (false).
    void setHelpMode(bool on);
    // On the very first start: the greeting box, then is_used_this and is_help become true.
    void greetFirstRun();
    // Asks before starting the browser, then opens the form page (HTTPS only).
    void openFormPage(const QUrl& url);

    // ---- State: the configuration file's values (run settings, paths, confirmations, help mode, recent files) -----
    settings::Config config;
    editor::EditedProject* project = nullptr; // the pages, and whether they are saved
    dialogs::FileChooser* fileChooser = nullptr;
    HoverHideWindow* hoverWindow = nullptr;
    int currentPage = 1;
    bool captureForCondition = false;
    bool isRefreshing = false;
    QStringList copiedCommand;
    QStringList copiedCondition;
    platform::GlobalHotKey* pointHotKey = nullptr;
    platform::GlobalHotKey* escapeHotKey = nullptr;
    editor::KeyCaptureSession* keyCapture = nullptr;
    QStringList captureFallback; // what the captured entry held before 追加, given back by キャンセル
    editor::ProjectHistory history;
    RunLauncher* runLauncher = nullptr;

    // ---- Widgets, in creation order ----------------------------------------------------------------------------
    QPushButton* newProjectButton = nullptr;
    QPushButton* loadProjectButton = nullptr;
    OperationPanel* operationPanel = nullptr; // the operation and its parameters
    ConditionPanel* conditionPanel = nullptr; // the condition and its seconds
    PagePanel* pagePanel = nullptr;           // the page list and its buttons
    QPushButton* runButton = nullptr;
    QPushButton* cancelCaptureButton = nullptr;

    // ---- Menus and actions that change after they are built (the others are found by object name) -----------
    QMenu* recentMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QAction* moveUpAction = nullptr;
    QAction* moveDownAction = nullptr;
};
