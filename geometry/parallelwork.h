#pragma once

#include <cstddef>
#include <functional>

// How many threads a divisible piece of work uses by default: the machine's cores, within reason.
unsigned defaultThreadCount();

// Runs work(0) to work(threadCount - 1) at once, work(0) on the calling thread, and returns when
// all are done. Should the system refuse a thread, its share runs on the calling thread after
// the others: the result is the same, only later.
void runInParallel(unsigned threadCount, const std::function<void(unsigned)>& work);
