#include "parallelwork.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Beyond this the shared memory bus, not the cores, sets the pace of this kind of work.
constexpr unsigned MOST_THREADS = 8;

} // namespace

unsigned defaultThreadCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, MOST_THREADS);
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
