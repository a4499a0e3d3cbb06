// The modal dialog that watches a conversion worker: it polls the worker's
// progress, asks before breaking the run, and shows the outcome.
#pragma once

#include "inputs/progress_state.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace dravik {

class MainWindowHooks;

class ConversionProgressDialog : public QDialog {
    Q_OBJECT

  public:
    // `work` runs on the dialog's own thread and must return soon after
    // `progress` is told to stop. `total` is the number of inputs.
    ConversionProgressDialog(QWidget* mainWindow, MainWindowHooks& hooks, ProgressState& progress,
                             int64_t total, std::function<void()> work);
    // Stops and joins a worker still running.
    ~ConversionProgressDialog() override;

    // Shows the dialog modally with the main window disabled; returns once
    // the user has closed it after the worker ended.
    void run();

    // The parts of run() before and after its event loop, and one poll of
    // the progress, for tests that drive the dialog step by step.
    void start();
    void poll();

    bool workerRunning() const { return worker_ != nullptr; }
    bool cancelled() const { return cancelled_; }
    int charactersPerLine() const { return charsPerLine_; }
    QLabel* fileLabel() const { return fileLabel_; }
    QLabel* timeLabel() const { return timeLabel_; }
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* button() const { return button_; }

  public Q_SLOTS:
    // The close box and Esc: while the worker runs, asks whether to break.
    void reject() override;

  private:
    // Joins on destruction; told to stop first when the work is not done.
    class Worker {
      public:
        Worker(ProgressState& progress, std::function<void()> work);
        ~Worker();
        Worker(const Worker&) = delete;
        Worker& operator=(const Worker&) = delete;
        bool done() const { return done_.load(); }

      private:
        ProgressState& progress_;
        std::atomic<bool> done_{false};
        std::thread thread_;
    };

    void measureFont();
    void showProgress(const ProgressSnapshot& now);
    void showOutcome();
    QString titleWith(const std::string& text, int64_t index) const;

    MainWindowHooks& hooks_;
    ProgressState& progress_;
    std::function<void()> work_;
    const int64_t total_;
    const bool showTime_;
    int64_t lastIndex_ = 0;
    int charWidth_ = 7;
    int charsPerLine_ = 50;
    bool cancelled_ = false;
    bool asking_ = false;
    QLabel* fileLabel_;
    QLabel* timeLabel_;
    QProgressBar* bar_;
    QPushButton* button_;
    QTimer* timer_;
    std::unique_ptr<Worker> worker_;
};

} // namespace dravik
