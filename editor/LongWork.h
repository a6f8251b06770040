#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

class QWidget;

// Work that may outlast the half second a user waits without a sign: it runs on a worker thread
// while a progress bar over the window it concerns shows how far it has gone, with "Annuler"
// when stopping it leaves nothing half-done. Meanwhile the windows keep repainting; they take no
// input but the progress dialog's, so that nothing changes what the work reads.
class LongWork {
public:
    enum class Stop { offered, refused };

    LongWork(QWidget* owner, QString label, Stop stop);

    // Runs work on a worker thread and returns once it has ended, rethrowing what it threw. The
    // bar shows after half a second, unless the work has ended by then.
    void run(const std::function<void()>& work);

    // For the work, on its own thread. The amount the work will reach; 0 (unknown) shows a busy
    // bar.
    void setTotal(std::uint64_t total) { total_ = total; }
    // How much is done; false once the user has asked to stop.
    bool report(std::uint64_t done);
    bool stopRequested() const { return stopRequested_; }

private:
    QWidget* owner_;
    QString label_;
    Stop stop_;
    std::atomic<std::uint64_t> total_ = 0;
    std::atomic<std::uint64_t> done_ = 0;
    std::atomic<bool> stopRequested_ = false;
};

// Called on the worker thread at every report, once it is counted and before the work goes on,
// so that a test can hold the work at a known step.
using LongWorkStepHook = void (*)(std::uint64_t done);
void setLongWorkStepHook(LongWorkStepHook hook);
