#include "batch/terminal_progress.h"

#include "batch/progress_text.h"
#include "platform/stop_signals.h"
#include "texts/language_table.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace dravik {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// The window's progress shows the estimate only for batches this long.
constexpr int64_t kEstimateFrom = 5;

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void WriteStderr(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

// A name shown on one terminal line must not move the cursor.
std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return out;
}

} // namespace

TerminalProgress::TerminalProgress(Console& report, bool enabled)
    : report_(report), enabled_(enabled) {}

bool TerminalProgress::StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::string TerminalProgress::Compose(const ProgressSnapshot& snapshot, int64_t total,
                                      std::optional<int64_t> remainingMs, int columns) {
    int64_t done = snapshot.index;
    int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
    std::string head =
        std::to_string(done) + "/" + std::to_string(total) + " " + std::to_string(percent) + "%";
    std::string tail;
    if (remainingMs && total >= kEstimateFrom) {
        tail = "  " + SubstituteArgs(GetText("Dialog", "Time Remaining"),
                                     *remainingMs > 0 ? FormatDuration(*remainingMs)
                                                      : GetText("Dialog", "Time Unknown"));
    }
    int room = columns - 1 - static_cast<int>(head.size() + tail.size()) - 2;
    std::string file;
    if (!snapshot.currentFile.empty() && room >= 8)
        file = "  " + ShortenMiddle(Printable(snapshot.currentFile), room);
    return head + file + tail;
}

void TerminalProgress::runWorker(const std::function<void()>& work, ProgressState& progress,
                                 int64_t total, bool estimate) {
    using Clock = std::chrono::steady_clock;
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    std::thread worker([&] {
        work();
        std::lock_guard<std::mutex> lock(doneMutex);
        done = true;
        doneSignal.notify_all();
    });
    const Clock::time_point start = Clock::now();
    // When the file in work was first seen begun: the files before it took
    // the time up to then.
    int64_t seenIndex = 0;
    Clock::time_point seenAt = start;
    auto sinceMs = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
    };
    std::unique_lock<std::mutex> lock(doneMutex);
    while (!doneSignal.wait_for(lock, kRedrawInterval, [&] { return done; })) {
        lock.unlock();
        if (CaughtStopSignal() != 0 && progress.keepRunning())
            progress.stop();
        if (enabled_) {
            ProgressSnapshot now = progress.snapshot();
            const Clock::time_point t = Clock::now();
            if (now.index != seenIndex) {
                seenIndex = now.index;
                seenAt = t;
            }
            std::optional<int64_t> remaining;
            if (estimate)
                remaining = MeanRemainingMilliseconds(sinceMs(start, seenAt), sinceMs(seenAt, t),
                                                      total, now.index);
            draw(Compose(now, total, remaining, TerminalColumns()));
        }
        lock.lock();
    }
    lock.unlock();
    worker.join();
    std::lock_guard<std::mutex> guard(mutex_);
    clearLocked();
}

void TerminalProgress::printLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
    report_.printLine(line);
    std::fflush(stdout);
}

void TerminalProgress::printNotice(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
    WriteStderr(line + "\n");
}

void TerminalProgress::draw(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shown_ && text == last_)
        return;
    WriteStderr("\r" + text + "\x1b[K");
    shown_ = true;
    last_ = text;
}

void TerminalProgress::clearLocked() {
    if (!shown_)
        return;
    WriteStderr("\r\x1b[K");
    shown_ = false;
}

} // namespace dravik
