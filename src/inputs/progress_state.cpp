#include "inputs/progress_state.h"

namespace dravik {

void ProgressState::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.index = 0;
    data_.currentFile.clear();
    data_.lastDurationMs = 0;
    data_.running = true;
    paused_ = false;
    running_ = true;
}

void ProgressState::clearCount() { setCount(0); }

void ProgressState::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        data_.running = false;
        paused_ = false;
    }
    resumed_.notify_all();
}

void ProgressState::begin(int64_t index, const std::string& file, int64_t lastDurationMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.index = index;
    data_.currentFile = file;
    data_.lastDurationMs = lastDurationMs;
}

void ProgressState::setIndex(int64_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.index = index;
}

void ProgressState::addCount(int64_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.count += n;
}

void ProgressState::setCount(int64_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    data_.count = n;
}

ProgressSnapshot ProgressState::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return data_;
}

void ProgressState::pause() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_)
        paused_ = true;
}

void ProgressState::resume() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        paused_ = false;
    }
    resumed_.notify_all();
}

void ProgressState::passGate() {
    std::unique_lock<std::mutex> lock(mutex_);
    resumed_.wait(lock, [this] { return !paused_; });
}

} // namespace dravik
