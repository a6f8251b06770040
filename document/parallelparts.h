#pragma once

#include <cstddef>
#include <functional>

// How many parts a walk of so many blocks of a list divides into: one per core, up to two, and
// one alone for a walk too short to repay starting a thread.
std::size_t partsForBlocks(std::size_t blockCount);

// Runs work(0) to work(parts - 1) at once, work(0) on the calling thread, and returns when all
// are done. A part whose thread the system refuses runs on the calling thread after the others:
// the result is the same, only later. What a part throws reaches the caller once all have ended.
void runParts(std::size_t parts, const std::function<void(std::size_t)>& work);
