#pragma once

#include <cstdint>
#include <functional>

// Told, after each chunk taken from a file, how many bytes have been read in all; returning false
// asks the reading to stop there. Called on the thread that reads.
using ReadProgress = std::function<bool(std::uint64_t bytesRead)>;

// Told, after each chunk handed to a file, how many bytes have been written in all. Called on the
// thread that writes.
using WriteProgress = std::function<void(std::uint64_t bytesWritten)>;

// Told, as a long piece of work goes on, how much of it is done out of the total it will reach;
// returning false asks the work to stop as soon as it can. Called on the thread that works.
using WorkProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// How a reading that may be stopped ended.
enum class LoadOutcome { loaded, unreadable, stopped };
