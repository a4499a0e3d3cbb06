// Turns the signals that ask a process to end (Ctrl+C, kill, a closed
// terminal, a closed pipe) into state that ordinary code can look at: the
// number of the first one caught, and a pipe that becomes readable, so an
// event loop or a worker can notice without anything unsafe running inside
// the handler.
#pragma once

#include <initializer_list>

namespace dravik {

// Installs the catcher for the given signals (SIGINT, SIGTERM, SIGHUP,
// SIGPIPE...). Idempotent; later calls add signals. False when the pipe
// could not be made.
bool InstallStopSignals(std::initializer_list<int> signals);

// As InstallStopSignals, but a signal whose disposition is "ignore" when
// called (inherited from `nohup` or from a shell that runs the program in
// the background) stays ignored: whoever started the program asked for
// that.
bool InstallStopSignalsUnlessIgnored(std::initializer_list<int> signals);

// The first signal caught since installing (or the last reset); 0 if none.
// Later signals do not replace it, so a second Ctrl+C during clean-up
// changes nothing.
int CaughtStopSignal();

// Read end of the self-pipe: readable once a signal has been caught. -1
// before InstallStopSignals.
int StopSignalFd();

// Empties the pipe and forgets the signal caught (tests, and a window that
// has dealt with it).
void ResetStopSignals();

} // namespace dravik
