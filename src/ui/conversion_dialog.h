// The Convert command of the main window: the checks before a run, the
// output parameters, the output folder history, and the modal progress
// dialog while the input list is converted.
#pragma once

class QWidget;

namespace dravik {

struct WindowContext;
class MainWindowHooks;

// Returns when a check has failed (its warning shown) or the progress dialog
// has closed; no worker thread outlives the call.
void StartWindowedConversion(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks);

} // namespace dravik
