// Reading the pictures of a batch ahead of the worker that converts them.
// Reading and decoding a picture takes about as long as encoding it; with
// the next pictures read on other cores while the worker processes, names
// and saves the current one, a batch uses more than one core and still
// names, saves and reports in list order.
#pragma once

#include "engine/convert_file.h"
#include "inputs/input_list.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace dravik {

// How far a batch reads ahead: one reader per core, at least one.
unsigned ReadAheadDepth();

class ReadAhead {
  public:
    // What is done to a picture after reading, on the thread that read it:
    // whatever the files before it do not change (the image steps, and
    // mostly the encoding). Gets the picture and its entry's index.
    using Prepare = std::function<void(PictureInWork&, size_t)>;

    // Starts `depth` reader threads over `entries`, in list order, reading
    // with `run`, then preparing with `prepare` when set. At most `depth`
    // pictures are in reading or read and not yet taken at any time, so
    // memory stays bounded whatever the list's length. `entries` and `run`
    // must outlive the object. `readers` threads (by default one per picture
    // of the depth) do the reading; with none, each picture is read when
    // taken (tests).
    ReadAhead(const std::vector<InputEntry>& entries, ConversionRun& run, unsigned depth,
              Prepare prepare = {});
    ReadAhead(const std::vector<InputEntry>& entries, ConversionRun& run, unsigned depth,
              unsigned readers, Prepare prepare = {});
    // Discards every picture read and not taken: helpers still running are
    // ended, the readers joined. What they wrote in the run's temp folder is
    // gone with them.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The picture of entry `index`, once read and prepared; read here and
    // now when no reader has begun it. Entries are taken in order, each
    // once, from 0.
    PictureInWork take(size_t index);

  private:
    PictureInWork read(size_t index);
    void readLoop();

    const std::vector<InputEntry>& entries_;
    ConversionRun& run_;
    const size_t depth_;
    const Prepare prepare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // Entry i waits in slot i % depth_: no more than depth_ entries past the
    // last one taken are ever claimed, so two never share a slot.
    std::vector<std::optional<PictureInWork>> slots_;
    size_t nextToRead_ = 0;
    size_t taken_ = 0;
    std::atomic<bool> cancel_{false};
    std::vector<std::jthread> readers_;
};

} // namespace dravik
