#include "batch/read_ahead.h"

#include "texts/language_table.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace dravik {

unsigned ReadAheadDepth() {
    return std::max(1u, std::thread::hardware_concurrency());
}

ReadAhead::ReadAhead(const std::vector<InputEntry>& entries, ConversionRun& run, unsigned depth,
                     Prepare prepare)
    : ReadAhead(entries, run, depth, depth, std::move(prepare)) {}

ReadAhead::ReadAhead(const std::vector<InputEntry>& entries, ConversionRun& run, unsigned depth,
                     unsigned readers, Prepare prepare)
    : entries_(entries), run_(run), depth_(std::max(1u, depth)), prepare_(std::move(prepare)),
      slots_(depth_) {
    const size_t threads = std::min<size_t>(std::min<size_t>(readers, depth_), entries_.size());
    readers_.reserve(threads);
    for (size_t i = 0; i < threads; ++i)
        readers_.emplace_back([this] { readLoop(); });
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        cancel_ = true;
    }
    changed_.notify_all();
    for (std::jthread& reader : readers_)
        reader.join();
}

// One picture, with a failure for a picture too large for memory: as on the
// worker, it fails alone, at its turn.
PictureInWork ReadAhead::read(size_t index) {
    try {
        PictureInWork picture = ReadPicture(entries_[index].path, run_, &cancel_);
        if (prepare_ && !cancel_)
            prepare_(picture, index);
        return picture;
    } catch (const std::exception&) {
        PictureInWork failed;
        failed.failureReason = GetText("Console", "Out of memory");
        return failed;
    }
}

void ReadAhead::readLoop() {
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] {
                return cancel_ || nextToRead_ >= entries_.size() || nextToRead_ < taken_ + depth_;
            });
            if (cancel_ || nextToRead_ >= entries_.size())
                return;
            index = nextToRead_++;
        }
        PictureInWork picture = read(index);
        {
            std::lock_guard lock(mutex_);
            slots_[index % depth_] = std::move(picture);
        }
        changed_.notify_all();
    }
}

PictureInWork ReadAhead::take(size_t index) {
    std::unique_lock lock(mutex_);
    if (nextToRead_ <= index) {
        // No reader has come this far (the readers are starved of cores):
        // waiting for one to be scheduled would only add its delay. Until
        // it is read, the picture counts against the depth like any other
        // in reading, so no more helpers run than the depth allows.
        nextToRead_ = index + 1;
        lock.unlock();
        PictureInWork picture = read(index);
        lock.lock();
        taken_ = index + 1;
        lock.unlock();
        changed_.notify_all();
        return picture;
    }
    std::optional<PictureInWork>& slot = slots_[index % depth_];
    changed_.wait(lock, [&slot] { return slot.has_value(); });
    PictureInWork picture = std::move(*slot);
    slot.reset();
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return picture;
}

} // namespace dravik
