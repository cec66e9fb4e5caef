#pragma once

// The program's command line: which mode it starts in and the options of a run without the editor. Parsing is
// GUI-free so that every argument line can be checked in a table, and so that --help, --version and --check never
// create a window.

#include <QString>
#include <QStringList>

#include <optional>

namespace model {
struct ProjectData;
}

namespace cli {

// The process exit codes of the command-line modes.
enum ExitCode : int {
    ExitFinished = 0,     // the run finished (or --check found a readable project)
    ExitStopped = 1,      // the run was stopped by the user
    ExitBadInput = 2,     // bad arguments, or an unreadable or invalid file; nothing was run
    ExitNotDelivered = 3, // input could not be delivered, or there is no display to start on
};

struct Request {
    enum class Mode { Editor, Run, Record, Check, Help, Version, Error, StopRuns };
    Mode mode = Mode::Editor;
    QString file; // the project: opened in the editor, run, checked or recorded; may be empty in Editor mode
    std::optional<int> repeat;   // --repeat N
    bool endless = false;        // --endless
    std::optional<int> delay;    // --delay SECONDS (the wait before the run starts)
    std::optional<QString> stop; // --stop COMBINATION, in the stored form ("83,3")
    QString report;              // --report FILE.json
    bool moves = false;          // --moves: a recording keeps pointer paths
    QString error;               // Mode::Error: what was wrong, for standard error
};

// Parses the arguments (arguments.first() is the program). Never exits the process.
Request parseCommandLine(const QStringList& arguments);

// The text of --help and of --version.
QString helpText();
QString versionText();

// A key combination given on the command line, either stored ("83,3") or shown ("Ctrl+Alt+S", case and spaces
// ignored), as stored text; nullopt when it names no key. "なし" is refused: a run from the command line must stay
// stoppable from the keyboard unless the tray is used, which the user chooses by leaving --stop out.
std::optional<QString> readCombination(const QString& text);

} // namespace cli

namespace cli {

// The arguments of main() as text, before any application object exists.
QStringList argumentsOf(int argc, char* argv[]);

// Carries out the modes that need no window (--help, --version, --check, and argument errors), printing to standard
// output or standard error. Returns the exit code, or nullopt for the modes that need the GUI (editor, run). A run's
// project is read here, once, into runProject, before anything needs the desktop: a file that cannot be run ends with
// ExitBadInput.
std::optional<int> runConsoleMode(const Request& request, model::ProjectData* runProject = nullptr);

// A reader's message about path, naming the file where the message does not already: a script running several files
// needs to know which one failed.
QString fileMessage(const QString& path, const QString& message);

// Says on standard error that the editor or the run cannot start without a display; returns ExitNotDelivered.
int reportNoDisplay(const Request& request);

} // namespace cli
