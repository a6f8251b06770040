#pragma once

#include "progress.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// How far a model writer has gone, in boxes dealt with, told from any of its threads one report
// at a time. Once the progress has asked to stop, the writer formats and puts nothing more.
class ModelWriteProgress {
public:
    // total: the boxes the writer will have dealt with at its end, each pass counting them again.
    ModelWriteProgress(const WorkProgress& progress, std::uint64_t total)
        : progress_(progress), total_(total) {}

    // False once the writing is to stop.
    bool add(std::size_t boxes);
    bool stopped() const { return stopped_; }

private:
    const WorkProgress& progress_;
    const std::uint64_t total_;
    std::mutex mutex_;
    std::uint64_t done_ = 0;
    std::atomic<bool> stopped_ = false;
};
