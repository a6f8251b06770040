#pragma once

#include <cstdint>
#include <functional>

// Told, after each chunk taken from a file, how many bytes have been read in all; returning false
// asks the reading to stop there. Called on the thread that reads.
using ReadProgress = std::function<bool(std::uint64_t bytesRead)>;

// Told, after each chunk handed to a file, how many bytes have been written in all. Called on the
// thread that writes.
using WriteProgress = std::function<void(std::uint64_t bytesWritten)>;

// How a reading that may be stopped ended.
enum class LoadOutcome { loaded, unreadable, stopped };
