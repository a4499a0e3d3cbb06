#include "batch/read_ahead.h"

#include "texts/language_table.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace dravik {

unsigned ReadAheadDepth() {
    return std::max(1u, std::thread::hardware_concurrency());
}

ReadAhead::ReadAhead(const std::vector<InputEntry>& entries, ConversionRun& run, unsigned depth)
    : entries_(entries), run_(run), depth_(std::max(1u, depth)), slots_(depth_) {
    const size_t threads = std::min(depth_, entries_.size());
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
        PictureRead read;
        try {
            read = ReadPicture(entries_[index].path, run_, &cancel_);
        } catch (const std::exception&) {
            // As on the worker: one picture too large for memory fails
            // alone, at its turn.
            read = PictureRead{};
            read.failureReason = GetText("Console", "Out of memory");
        }
        {
            std::lock_guard lock(mutex_);
            slots_[index % depth_] = std::move(read);
        }
        changed_.notify_all();
    }
}

PictureRead ReadAhead::take(size_t index) {
    std::unique_lock lock(mutex_);
    std::optional<PictureRead>& slot = slots_[index % depth_];
    changed_.wait(lock, [&slot] { return slot.has_value(); });
    PictureRead read = std::move(*slot);
    slot.reset();
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return read;
}

} // namespace dravik
