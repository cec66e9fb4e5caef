#pragma once

// The guardian: a small watchdog process that holds the input ledger outside the program, so that the desktop gets
// its keyboard and pointer back however the program ends. The program talks to it over a channel that only the two
// share; when the channel closes without a goodbye (SIGKILL, crash, abort, TerminateProcess), the watchdog releases
// every key and button still recorded as down, restores every rebound keycode (X11) and exits, within a second.
// On Linux the watchdog has a session of its own, so a kill of the program's whole process group does not take it
// along, and while the program is stopped (job control, a debugger) with keys or buttons down it lets go of them.
//
// Linux: start() forks the watchdog before any thread or toolkit state exists; the child never returns to main and
// uses only libc, Xlib and XTest. Windows: start() runs this same executable again with a hidden argument, which
// runWatchdogIfAsked() recognises at the top of main(); the watchdog releases with SendInput.

namespace platform::guardian {

// When this process was started as a watchdog, runs it to the end and returns its exit code; otherwise returns -1 at
// once. Call first in main(), before any other object exists. Always -1 where the watchdog is forked (Linux).
int runWatchdogIfAsked(int argc, char** argv);

// Starts the watchdog and installs its ledger as platform::ledger(). Call once, at the top of main(), while the
// process has a single thread. On Linux it returns once the watchdog has its own session (waiting at most two
// seconds), or at once with confirmLater, and then confirmStarted() must come before the first synthetic input.
// Returns false (the recording-nothing ledger stays) when the watchdog cannot start.
bool start(bool confirmLater = false);

// Waits (at most two seconds) until the watchdog has a session of its own; at once when it has. False, with the
// recording-nothing ledger back, when it ended instead or none was started. GUI thread.
bool confirmStarted();

// Ends the watchdog at a clean exit: says goodbye when the ledger holds nothing, otherwise just closes the channel so
// that the watchdog undoes what is left; then waits for it to exit (bounded by its own one-second limit) and puts the
// recording-nothing ledger back. Call at the end of main(), after the backend is gone. GUI thread; blocks briefly.
void stop();

// The watchdog's process id while it runs; 0 when none was started.
long watchdogProcessId();

} // namespace platform::guardian
