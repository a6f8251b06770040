#pragma once

#include <cstddef>
#include <functional>

// How many threads a divisible piece of work uses by default: the machine's cores, within reason.
unsigned defaultThreadCount();
// The same for work on so many boxes: below a few thousand, starting a second thread costs more
// than it saves.
unsigned threadCountFor(std::size_t boxCount);

// Runs work(0) to work(threadCount - 1) at once, work(0) on the calling thread, and returns when
// all are done. Should the system refuse a thread, its share runs on the calling thread after
// the others: the result is the same, only later.
void runInParallel(unsigned threadCount, const std::function<void(unsigned)>& work);

// Produces the pieces 0 to pieceCount - 1 on threadCount threads, as they come, and consumes each
// on the calling thread in order, as soon as it and those before it are produced. No more than
// `ahead` pieces are ever produced and not yet consumed, so that piece p may be kept in slot
// p % ahead. produce may run on any thread, consume runs on the calling thread only.
void runInOrder(unsigned threadCount, std::size_t pieceCount, std::size_t ahead,
                const std::function<void(std::size_t)>& produce,
                const std::function<void(std::size_t)>& consume);

// The same for pieces whose number is known only once they run out: feed(p) readies piece p and
// returns false when there is none, on the calling thread, in order, before p is produced. No
// more than `ahead` pieces are ever fed and not yet consumed. The calling thread feeds while it
// can, so that reading a file goes on while its first parts are produced on the other threads.
void runFedInOrder(unsigned threadCount, std::size_t ahead,
                   const std::function<bool(std::size_t)>& feed,
                   const std::function<void(std::size_t)>& produce,
                   const std::function<void(std::size_t)>& consume);
