#include "parallelwork.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Beyond this the shared memory bus, not the cores, sets the pace of this kind of work.
constexpr unsigned MOST_THREADS = 8;
constexpr std::size_t PARALLEL_FROM_BOXES = 4096;

} // namespace

unsigned defaultThreadCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, MOST_THREADS);
}

unsigned threadCountFor(std::size_t boxCount) {
    return boxCount < PARALLEL_FROM_BOXES ? 1 : defaultThreadCount();
}

void runInParallel(unsigned threadCount, const std::function<void(unsigned)>& work) {
    // What a share threw, handed to the caller once every share has ended: a thread that lets
    // an exception out ends the program.
    std::vector<std::exception_ptr> failures(std::max(threadCount, 1u));
    const auto share = [&](unsigned index) {
        try {
            work(index);
        } catch (...) {
            failures[index] = std::current_exception();
        }
    };
    {
        // Joined on leaving the block.
        std::vector<std::jthread> threads;
        threads.reserve(threadCount);
        std::vector<unsigned> refused;
        for (unsigned index = 1; index < threadCount; ++index) {
            try {
                threads.emplace_back(share, index);
            } catch (const std::system_error&) {
                refused.push_back(index);
            }
        }
        share(0);
        for (const unsigned index : refused) {
            share(index);
        }
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

void runInOrder(unsigned threadCount, std::size_t pieceCount, std::size_t ahead,
                const std::function<void(std::size_t)>& produce,
                const std::function<void(std::size_t)>& consume) {
    ahead = std::max<std::size_t>(ahead, 1);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> produced(pieceCount);
    std::size_t claimed = 0;
    std::size_t consumed = 0;
    // Set when a thread fails, so that the others stop rather than wait for its piece.
    bool failed = false;
    const auto producedBy = [&](std::unique_lock<std::mutex>& lock, std::size_t piece) {
        lock.unlock();
        produce(piece);
        lock.lock();
        produced[piece] = true;
        changed.notify_all();
    };
    const auto mayClaim = [&] { return claimed < pieceCount && claimed < consumed + ahead; };
    runInParallel(threadCount, [&](unsigned index) {
        std::unique_lock<std::mutex> lock(mutex);
        try {
            if (index != 0) {
                for (;;) {
                    changed.wait(lock,
                                 [&] { return failed || claimed == pieceCount || mayClaim(); });
                    if (failed || claimed == pieceCount) {
                        return;
                    }
                    producedBy(lock, claimed++);
                }
            }
            // The calling thread consumes what is ready, and produces while it waits.
            while (consumed < pieceCount && !failed) {
                if (produced[consumed]) {
                    lock.unlock();
                    consume(consumed);
                    lock.lock();
                    ++consumed;
                    changed.notify_all();
                } else if (mayClaim()) {
                    producedBy(lock, claimed++);
                } else {
                    changed.wait(lock, [&] { return failed || produced[consumed]; });
                }
            }
        } catch (...) {
            if (!lock.owns_lock()) {
                lock.lock();
            }
            failed = true;
            changed.notify_all();
            throw;
        }
    });
}

void runFedInOrder(unsigned threadCount, std::size_t ahead,
                   const std::function<bool(std::size_t)>& feed,
                   const std::function<void(std::size_t)>& produce,
                   const std::function<void(std::size_t)>& consume) {
    ahead = std::max<std::size_t>(ahead, 1);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> produced;
    std::size_t fed = 0;
    bool exhausted = false;
    std::size_t claimed = 0;
    std::size_t consumed = 0;
    bool failed = false;
    const auto producedBy = [&](std::unique_lock<std::mutex>& lock, std::size_t piece) {
        lock.unlock();
        produce(piece);
        lock.lock();
        produced[piece] = true;
        changed.notify_all();
    };
    const auto finished = [&] { return exhausted && claimed == fed; };
    runInParallel(threadCount, [&](unsigned index) {
        std::unique_lock<std::mutex> lock(mutex);
        try {
            if (index != 0) {
                for (;;) {
                    changed.wait(lock, [&] { return failed || finished() || claimed < fed; });
                    if (failed || finished()) {
                        return;
                    }
                    producedBy(lock, claimed++);
                }
            }
            // The calling thread consumes what is ready, then feeds, and produces while it
            // can feed no more.
            while (!failed && !(exhausted && consumed == fed)) {
                if (consumed < fed && produced[consumed]) {
                    lock.unlock();
                    consume(consumed);
                    lock.lock();
                    ++consumed;
                    changed.notify_all();
                } else if (!exhausted && fed < consumed + ahead) {
                    const std::size_t piece = fed;
                    lock.unlock();
                    const bool more = feed(piece);
                    lock.lock();
                    if (more) {
                        produced.push_back(false);
                        ++fed;
                    } else {
                        exhausted = true;
                    }
                    changed.notify_all();
                } else if (claimed < fed) {
                    producedBy(lock, claimed++);
                } else {
                    changed.wait(lock, [&] { return failed || produced[consumed]; });
                }
            }
        } catch (...) {
            if (!lock.owns_lock()) {
                lock.lock();
            }
            failed = true;
            changed.notify_all();
            throw;
        }
    });
}
