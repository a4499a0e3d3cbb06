// The update check as the window runs it: the fetch happens on a worker thread so the
// window keeps painting; the window takes no input until the answer has been shown.
#pragma once

#include "settings/settings.h"
#include "ui/main_window_hooks.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace dravik {

class UpdateChecker : public QObject {
    Q_OBJECT
  public:
    // Runs on the worker thread and returns the answer's first characters ("" on failure).
    using Fetch = std::function<std::string()>;

    UpdateChecker(Settings& settings, MainWindowHooks& window, QObject* parent = nullptr);
    // Waits for a fetch in flight; the fetch gives up on its own within its time limit.
    ~UpdateChecker() override;

    void setFetch(Fetch fetch) { fetch_ = std::move(fetch); }

    // The Check for Updates command. A second request while one is running is ignored.
    void checkForUpdates();
    // At window start: asks when the chosen period has passed since the last check and
    // records now as the last check whatever the answer. True when it asked.
    bool scheduledUpdateCheck(int64_t now);

    bool busy() const { return busy_; }

  Q_SIGNALS:
    // After the answer's message was shown (tests wait on it).
    void checked();

  private:
    void report(const std::string& answer);

    Settings& settings_;
    MainWindowHooks& window_;
    Fetch fetch_;
    std::thread worker_;
    bool busy_ = false;
};

} // namespace dravik
