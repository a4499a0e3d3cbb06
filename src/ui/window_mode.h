// The window side of the program, entered when no command-line work is to
// be done.
#pragma once

#include "inputs/session.h"
#include "settings/app_state.h"
#include "settings/settings.h"

class QWidget;

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dravik {

class MainWindow;

// True when Qt can open a window here (a display, or a platform chosen
// through QT_QPA_PLATFORM).
bool WindowSystemAvailable();

struct WindowModeParts {
    Settings& settings;
    AppState& state;
    Session& session;
    DefaultsContext defaults;
    std::string title;
    // Runs once the settings are saved, so a new start can follow at once.
    std::function<void()> releaseInstance;
    // Where later starts ask this window to come to the front (beside the
    // instance lock); empty for none.
    std::string channelPath = {};
    // Files and folders the start was given, added as if dropped on the
    // window once it shows.
    std::vector<std::string> startPaths = {};
};

// One window-mode run between reading config.ini and saving it, for a
// QApplication that already exists. The path config.ini is read from is
// kept in the settings, so the preferences' OK and Defaults save the same
// file the exit does. A stop signal (SIGINT, SIGTERM, SIGHUP, once
// InstallStopSignals has caught them) ends the run as File > Exit does,
// after a running conversion's current file; a "RAISE" request on the
// channel brings the window to the front, "OPEN" requests add their paths
// as a drop would.
class WindowRun {
  public:
    // Loads config.ini, texts and pictures and builds the main window,
    // hidden; the start paths are added once the event loop runs.
    explicit WindowRun(WindowModeParts& parts);
    ~WindowRun();
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    MainWindow& window();
    // Adds the paths by the drop rules as soon as the window is free for
    // them: not in the middle of another drop, and not while a modal
    // dialog (a conversion, an import, a question) has the window.
    void openPaths(const std::vector<std::string>& paths);
    // Paths waiting for the window to be free.
    size_t pendingPaths() const;
    // Stores the placement and the output folder history, saves config.ini
    // (a warning box when that fails) and releases the instance guard.
    void finish();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// Runs the main window until it is closed or the process is told to stop,
// then finishes as WindowRun does. Returns the exit code.
int RunWindowMode(int& argc, char** argv, WindowModeParts& parts);

// Brings a window to the front: restored when minimized, raised, activated.
void BringToFront(QWidget& window);

// Builds the window with a fixed sample list and saves two pictures of it,
// dravik1.jpg and the 180-pixel wide dravik1x.jpg, into `folder`. Nothing
// is written when the folder does not exist. Returns the exit code.
int RunDemonstration(int& argc, char** argv, WindowModeParts& parts, const std::string& folder);

// Shows the uninstall prompt until it is left; returns the exit code.
int RunUninstallPrompt(int& argc, char** argv);

} // namespace dravik
