// A self-updating progress line on stderr while a command-line batch works,
// for a person watching a terminal. The report on stdout is unchanged: the
// line is wiped before each report line and drawn again afterwards. It also
// watches for stop signals while a worker runs, and stops the worker when
// one comes.
#pragma once

#include "inputs/progress_state.h"
#include "platform/console.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace dravik {

class TerminalProgress : public Console {
  public:
    // `report` receives the lines; `enabled` false gives a plain pass-through
    // that draws nothing.
    TerminalProgress(Console& report, bool enabled);

    // True when stderr is a terminal.
    static bool StderrIsTerminal();

    // Runs `work` on a worker thread and waits for it, redrawing the line
    // from `progress` meanwhile. `total` is what the index counts up to;
    // `estimate` shows the time remaining, from the mean time of the files
    // finished so far. A stop signal caught meanwhile stops the worker
    // after the entry in work (a helper it runs is killed at once).
    void runWorker(const std::function<void()>& work, ProgressState& progress, int64_t total,
                   bool estimate);

    void printLine(const std::string& line) override;
    void waitForKey() override { report_.waitForKey(); }
    // One line on stderr, with the progress line out of its way.
    void printNotice(const std::string& line);

    // The line for a snapshot, fitted into `columns` characters. With a
    // remaining time (0: unknown) and at least five files, the estimate
    // ends the line.
    static std::string Compose(const ProgressSnapshot& snapshot, int64_t total,
                               std::optional<int64_t> remainingMs, int columns);

  private:
    void draw(const std::string& text);
    void clearLocked();

    Console& report_;
    bool enabled_;
    std::mutex mutex_;
    bool shown_ = false;
    std::string last_;
};

} // namespace dravik
