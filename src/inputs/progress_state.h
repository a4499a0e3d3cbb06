// What a worker thread (folder import, list import, export, conversion)
// shares with whoever watches it: how far it is, the file in work, and the
// means to stop it or hold it between two files.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace dravik {

struct ProgressSnapshot {
    int64_t index = 0;          // entries begun so far
    std::string currentFile;    // the file in work
    int64_t lastDurationMs = 0; // of the last file; 0 after a failure
    int64_t count = 0;          // files added, entries written or files converted
    bool running = true;        // keep-running flag
};

class ProgressState {
public:
    // Index 0, no current file, keep-running on, not paused. The result count
    // is left alone: callers that add to it clear it themselves.
    void reset();
    void clearCount();

    bool keepRunning() const { return running_.load(); }
    // The worker stops after the entry in work.
    void stop();

    // The worker publishes the entry it begins.
    void begin(int64_t index, const std::string& file, int64_t lastDurationMs);
    void setIndex(int64_t index);
    void addCount(int64_t n);
    void setCount(int64_t n);
    ProgressSnapshot snapshot() const;

    // The gate between two entries: while paused, passGate() waits. Pausing
    // never interrupts the entry in work. stop() also opens the gate.
    void pause();
    void resume();
    void passGate();

private:
    mutable std::mutex mutex_;
    std::condition_variable resumed_;
    ProgressSnapshot data_;
    bool paused_ = false;
    std::atomic<bool> running_{true};
};

} // namespace dravik
