#include "parallelwork.h"

#include "parallelparts.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Beyond this the shared memory bus, not the cores, sets the pace of this kind of work.
constexpr unsigned MOST_THREADS = 8;
constexpr std::size_t PARALLEL_FROM_BOXES = 4096;

// What the threads of an ordered run share: which pieces are produced, and whether a thread
// failed, so that the others stop rather than wait for its piece.
struct OrderedRun {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> produced;
    bool failed = false;

    // Produces the piece without the lock, then tells the others.
    void produce(std::unique_lock<std::mutex>& lock, std::size_t piece,
                 const std::function<void(std::size_t)>& work) {
        lock.unlock();
        work(piece);
        lock.lock();
        produced[piece] = true;
        changed.notify_all();
    }

    // Runs a thread's share with the lock held, marking the run failed should it throw.
    template <typename Share> void runShare(Share share) {
        std::unique_lock<std::mutex> lock(mutex);
        try {
            share(lock);
        } catch (...) {
            if (!lock.owns_lock()) {
                lock.lock();
            }
            failed = true;
            changed.notify_all();
            throw;
        }
    }
};

} // namespace

unsigned defaultThreadCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, MOST_THREADS);
}

unsigned threadCountFor(std::size_t boxCount) {
    return boxCount < PARALLEL_FROM_BOXES ? 1 : defaultThreadCount();
}

void runInParallel(unsigned threadCount, const std::function<void(unsigned)>& work) {
    runParts(threadCount, [&](std::size_t index) { work(static_cast<unsigned>(index)); });
}

void runInOrder(unsigned threadCount, std::size_t pieceCount, std::size_t ahead,
                const std::function<void(std::size_t)>& produce,
                const std::function<void(std::size_t)>& consume) {
    ahead = std::max<std::size_t>(ahead, 1);
    OrderedRun run;
    run.produced.resize(pieceCount);
    std::size_t claimed = 0;
    std::size_t consumed = 0;
    const auto mayClaim = [&] { return claimed < pieceCount && claimed < consumed + ahead; };
    runInParallel(threadCount, [&](unsigned index) {
        run.runShare([&](std::unique_lock<std::mutex>& lock) {
            if (index != 0) {
                for (;;) {
                    run.changed.wait(
                        lock, [&] { return run.failed || claimed == pieceCount || mayClaim(); });
                    if (run.failed || claimed == pieceCount) {
                        return;
                    }
                    run.produce(lock, claimed++, produce);
                }
            }
            // The calling thread consumes what is ready, and produces while it waits.
            while (consumed < pieceCount && !run.failed) {
                if (run.produced[consumed]) {
                    lock.unlock();
                    consume(consumed);
                    lock.lock();
                    ++consumed;
                    run.changed.notify_all();
                } else if (mayClaim()) {
                    run.produce(lock, claimed++, produce);
                } else {
                    run.changed.wait(lock, [&] { return run.failed || run.produced[consumed]; });
                }
            }
        });
    });
}

void runFedInOrder(unsigned threadCount, std::size_t ahead,
                   const std::function<bool(std::size_t)>& feed,
                   const std::function<void(std::size_t)>& produce,
                   const std::function<void(std::size_t)>& consume) {
    ahead = std::max<std::size_t>(ahead, 1);
    OrderedRun run;
    std::size_t fed = 0;
    bool exhausted = false;
    std::size_t claimed = 0;
    std::size_t consumed = 0;
    const auto finished = [&] { return exhausted && claimed == fed; };
    runInParallel(threadCount, [&](unsigned index) {
        run.runShare([&](std::unique_lock<std::mutex>& lock) {
            if (index != 0) {
                for (;;) {
                    run.changed.wait(lock,
                                     [&] { return run.failed || finished() || claimed < fed; });
                    if (run.failed || finished()) {
                        return;
                    }
                    run.produce(lock, claimed++, produce);
                }
            }
            // The calling thread consumes what is ready, then feeds, and produces while it
            // can feed no more.
            while (!run.failed && !(exhausted && consumed == fed)) {
                if (consumed < fed && run.produced[consumed]) {
                    lock.unlock();
                    consume(consumed);
                    lock.lock();
                    ++consumed;
                    run.changed.notify_all();
                } else if (!exhausted && fed < consumed + ahead) {
                    const std::size_t piece = fed;
                    lock.unlock();
                    const bool more = feed(piece);
                    lock.lock();
                    if (more) {
                        run.produced.push_back(false);
                        ++fed;
                    } else {
                        exhausted = true;
                    }
                    run.changed.notify_all();
                } else if (claimed < fed) {
                    run.produce(lock, claimed++, produce);
                } else {
                    run.changed.wait(lock, [&] { return run.failed || run.produced[consumed]; });
                }
            }
        });
    });
}
