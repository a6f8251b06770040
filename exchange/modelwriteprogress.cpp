#include "modelwriteprogress.h"

bool ModelWriteProgress::add(std::size_t boxes) {
    if (!progress_) {
        return true;
    }
    // Checked under the lock, so that no report follows the one that asked to stop.
    const std::lock_guard lock(mutex_);
    if (stopped_) {
        return false;
    }
    done_ += boxes;
    stopped_ = !progress_(done_, total_);
    return !stopped_;
}
