// What the dialogs started from the main window may do to it. The main
// window implements it; tests implement it with a recording fake so that a
// dialog can be exercised without the whole window.
#pragma once

#include <string>
#include <vector>

namespace dravik {

class InputObserver;

class MainWindowHooks {
  public:
    virtual ~MainWindowHooks() = default;

    // Appends one row to the list view for a path just added to the input
    // list. While the output folder list is empty it also makes the import
    // base folder (else the row's folder) the current output folder and puts
    // it into the history, so callers do not repeat that. GUI thread only; a
    // worker thread uses rowObserver() instead.
    virtual void addRow(const std::string& path) = 0;

    // An observer that worker threads may call: every row it is told of
    // reaches addRow on the GUI thread, in the order told, as soon as the GUI
    // thread processes events. Lives as long as the main window.
    virtual InputObserver* rowObserver() = 0;

    // Refills the output folder list from File/Recent Out Folders and
    // selects the current output folder of the AppState.
    virtual void refreshOutFolderList() = 0;

    // The text of the output folder list as the user sees it.
    virtual std::string outputFolderText() const = 0;

    virtual void setStatusText(const std::string& text) = 0;

    // Off while a modal run owns the window.
    virtual void setWindowEnabled(bool enabled) = 0;

    virtual int rowCount() const = 0;
    virtual std::vector<std::string> rows() const = 0;
};

} // namespace dravik
