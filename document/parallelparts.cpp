#include "parallelparts.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Walks of a few hundred kilobytes take less than starting a thread.
constexpr std::size_t blocksWorthAThread = 128;
// The walks read and write memory at the pace of the bus, which two cores already fill.
constexpr std::size_t mostParts = 2;

} // namespace

std::size_t partsForBlocks(std::size_t blockCount) {
    if (blockCount < 2 * blocksWorthAThread) {
        return 1;
    }
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, mostParts);
}

void runParts(std::size_t parts, const std::function<void(std::size_t)>& work) {
    std::vector<std::exception_ptr> failures(std::max<std::size_t>(parts, 1));
    const auto part = [&](std::size_t index) {
        try {
            work(index);
        } catch (...) {
            failures[index] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(parts);
        std::vector<std::size_t> refused;
        for (std::size_t index = 1; index < parts; ++index) {
            try {
                threads.emplace_back(part, index);
            } catch (const std::system_error&) {
                refused.push_back(index);
            }
        }
        part(0);
        for (const std::size_t index : refused) {
            part(index);
        }
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}
