// Process exit codes, so that scripts can tell how a run went.
#pragma once

namespace dravik {

enum ExitCode : int {
    kExitSuccess = 0,         // help, version, window closed, every file converted
    kExitError = 1,           // an "Error: " line was printed
    kExitStopped = 2,         // the run ended with "Conversion stopped"
    kExitPartial = 3,         // some but not all files converted
    kExitAnotherInstance = 4, // another instance holds the guard
    kExitSignalBase = 128,    // plus the number of the signal that stopped the run
};

} // namespace dravik
