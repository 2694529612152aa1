// Ctrl+C and SIGTERM for the whole process: during start-up they end it at once; during a run the first
// one asks for a break (the run polls breakRequested() where it polls the break button) and a second
// one ends the process at once. SIGHUP is handled the same way only when asked for (the window: a logout);
// otherwise it and the other signals keep their ordinary meaning.
//
// The handler does only what is safe inside a signal handler: an atomic store, one write() of a
// prepared line to standard error, _exit(). It may run on any thread. An exit forced by a signal has the
// code 128 + its number (130 for SIGINT, 143 for SIGTERM), as shells report it.
//
// The embedded Firebird engine chains its own SIGINT/SIGTERM handler in front of this one and would
// shut every connection down; db::firebird::keepAttachmentsOnSignals() (registered with the drivers)
// refuses that shutdown while this handler is installed.
#pragma once

#include <string>
#include <string_view>

namespace konw::sygnaly {

enum class Mode {
  Immediate,  // the first signal ends the process at once: start-up, or whenever nothing can be broken
  Break,      // the first asks for a break, the next one ends the process at once
};

// Installs the handler of SIGINT and SIGTERM (and SIGHUP with `hangup`) in the given mode; a later call
// only changes the mode.
void install(Mode mode, bool hangup = false);
// Switches the mode of the installed handler; a break already asked for stays asked for.
void setMode(Mode mode);
Mode mode();
bool installed();
// Restores the dispositions install() found and forgets any break request.
void uninstall();

// Whether a break was asked for (since installation or the last clearBreak()).
bool breakRequested();
// The signal that asked for it (SIGINT or SIGTERM); 0 when none did.
int breakSignal();
// Forgets the request, e.g. when a new run starts; the next signal asks again.
void clearBreak();

// The line written to standard error when a break is asked for (a line end is added; at most 255 bytes
// are kept). Empty: nothing is written.
void setBreakMessage(std::string_view line);

// The exit code of a process ended by the signal.
constexpr int exitCode(int signal) {
  return 128 + signal;
}

// The exit code of a process that a signal ends at once (any signal in Immediate mode, the second one in
// Break mode); 0, the default, gives exitCode(signal).
void setExitCode(int code);

// A file written whole when a signal ends the process at once: `text` goes into `path` + ".sygnal", which
// is then renamed over `path`, so that `path` is either as it was or whole; `partial` (the file another
// writer is filling, to be renamed over `path` when done) is removed. An empty path: nothing is written.
// May be called again at any time; the handler takes either the old or the new text.
void setFinalFile(const std::string& path, const std::string& text, const std::string& partial = {});

}  // namespace konw::sygnaly
