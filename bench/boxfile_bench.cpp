// Times readFile and writeFile on a generated file of 100,000 boxes and 100,000 intersections,
// against `wc -w` on the same file, and reports the peak memory of the loaded document. Then gives
// the memory the document adds, against the file's size, for that file, for the 100,000-box scene
// of geometry_bench and for a file of intersections alone. Each measurement runs in a fresh
// process so that one cannot inherit another's memory.
//
// Usage: boxfile_bench [folder]   (a temporary folder by default)

#include "benchscene.h"
#include "benchsupport.h"
#include "orlclass.h"

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int boxCount = 100000;
constexpr int intersectionCount = 100000;
constexpr int repetitions = 5;
constexpr int aloneCount = 1000000;

using Clock = BenchClock;

// The peak resident memory of this process so far, in bytes.
long long peakResidentBytes() {
    return statusBytes("VmHWM:");
}

void generate(const fs::path& path) {
    std::mt19937 random(42);
    std::uniform_int_distribution<unsigned> hex16(0, 0xffff);
    std::uniform_int_distribution<unsigned> radius(1, 999);
    std::uniform_int_distribution<int> rank(0, boxCount - 1);
    char buffer[32];
    const auto hex = [&](int digits) {
        const unsigned value = digits == 4 ? hex16(random) : (hex16(random) << 16 | hex16(random));
        std::snprintf(buffer, sizeof buffer, "%0*x", digits, value);
        return std::string(buffer);
    };
    std::string text = std::to_string(boxCount);
    for (int i = 0; i < boxCount; ++i) {
        text += "\r\n " + std::to_string(i + 1) + "  " + std::to_string(radius(random));
        text += "\r\n  " + hex(8) + " " + hex(8) + " " + hex(8);
        for (int plane = 0; plane < 6; ++plane) {
            text += "\r\n  " + hex(4) + " " + hex(4) + " " + hex(4) + " " + hex(8);
        }
    }
    text += "\r\n\r\n";
    for (int i = 0; i < intersectionCount; ++i) {
        if (i != 0) {
            text += i % 9 == 0 ? "\r\n" : "  ";
        }
        text += std::to_string(rank(random)) + " " + std::to_string(rank(random));
    }
    text += "\r\n-1 -1\r\n";
    std::ofstream(path, std::ios::binary) << text;
}

// Intersections and no box, written as the program writes them: nine pairs to a line.
void generateIntersectionsAlone(const fs::path& path) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> rank(0, boxCount - 1);
    std::string text = "0\r\n\r\n";
    for (int i = 0; i < aloneCount; ++i) {
        if (i != 0) {
            text += i % 9 == 0 ? "\r\n" : "  ";
        }
        text += std::to_string(rank(random)) + " " + std::to_string(rank(random));
    }
    text += "\r\n-1 -1\r\n";
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a program with its output discarded; returns its wall time, or a negative value.
double timeProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return secondsSince(start);
}

// Prints: seconds for readFile, peak memory before and after it.
int measureRead(const std::string& path) {
    const long long before = peakResidentBytes();
    BoxDocument document;
    const Clock::time_point start = Clock::now();
    const bool read = document.readFile(path);
    const double seconds = secondsSince(start);
    if (!read || (document.boxes.empty() && document.intersections.empty())) {
        return 1;
    }
    std::printf("%.6f %lld %lld\n", seconds, before, peakResidentBytes());
    return 0;
}

// Prints: seconds for writeFile of the document read from the path, peak memory before and after
// the write; fails unless the written file equals the original.
int measureWrite(const std::string& path) {
    BoxDocument document;
    if (!document.readFile(path)) {
        return 1;
    }
    const std::string copy = path + ".written";
    document.setPath(copy);
    const long long before = peakResidentBytes();
    const Clock::time_point start = Clock::now();
    const bool written = document.writeFile();
    const double seconds = secondsSince(start);
    const long long after = peakResidentBytes();
    std::ifstream original(path, std::ios::binary);
    std::ifstream rewritten(copy, std::ios::binary);
    const bool same = std::equal(std::istreambuf_iterator<char>(original), {},
                                 std::istreambuf_iterator<char>(rewritten), {});
    fs::remove(copy);
    if (!written || !same) {
        return 1;
    }
    std::printf("%.6f %lld %lld\n", seconds, before, after);
    return 0;
}

std::string wcLocale() {
    const char* name = std::setlocale(LC_CTYPE, "");
    return name == nullptr ? "C" : name;
}

// The peak memory readFile adds, against the file's size: medians of fresh processes.
double memoryRatio(const fs::path& file) {
    std::vector<double> ratios;
    for (int i = 0; i < repetitions; ++i) {
        const std::vector<double> read = measureInChild("read", file);
        ratios.push_back((read.at(2) - read.at(1)) / static_cast<double>(fs::file_size(file)));
    }
    return median(ratios);
}

int compareMemory(const fs::path& folder, const fs::path& randomFile) {
    const fs::path scene = folder / "scene-100000.box";
    std::ofstream(scene, std::ios::binary) << benchscene::generateScene(boxCount);
    const fs::path alone = folder / "intersections-alone.box";
    generateIntersectionsAlone(alone);
    std::printf("memory readFile adds / file size, medians of %d runs (target 1.5)\n", repetitions);
    for (const auto& [name, file] : {std::pair{"this file", randomFile},
                                     std::pair{"geometry_bench's 100,000-box scene", scene},
                                     std::pair{"1,000,000 intersections alone", alone}}) {
        std::printf("  %s (%.1f MB): %.2f\n", name, static_cast<double>(fs::file_size(file)) / 1e6,
                    memoryRatio(file));
    }
    fs::remove(randomFile);
    fs::remove(scene);
    fs::remove(alone);
    return 0;
}

int compare(const fs::path& folder) {
    const fs::path file = folder / "bench-100000.box";
    generate(file);
    const double megabytes = static_cast<double>(fs::file_size(file)) / 1e6;

    std::vector<double> wcTimes, readTimes, writeTimes;
    double readPeak = 0, readBaseline = 0, writeGrowth = 0;
    timeProgram({"wc", "-w", file.string()});
    for (int i = 0; i < repetitions; ++i) {
        wcTimes.push_back(timeProgram({"wc", "-w", file.string()}));
        const std::vector<double> read = measureInChild("read", file);
        readTimes.push_back(read.at(0));
        readBaseline = read.at(1) / 1e6;
        readPeak = std::max(readPeak, read.at(2) / 1e6);
        const std::vector<double> write = measureInChild("write", file);
        writeTimes.push_back(write.at(0));
        writeGrowth = std::max(writeGrowth, (write.at(2) - write.at(1)) / 1e6);
    }
    if (*std::min_element(wcTimes.begin(), wcTimes.end()) < 0) {
        std::cerr << "wc -w failed\n";
        return 1;
    }

    const double wc = median(wcTimes);
    const double read = median(readTimes);
    const double write = median(writeTimes);
    std::printf("file: %d boxes, %d intersections, %.1f MB\n", boxCount, intersectionCount,
                megabytes);
    std::printf("medians of %d runs (seconds)\n", repetitions);
    std::printf("  wc -w (LC_CTYPE=%s, whole process): %.4f\n", wcLocale().c_str(), wc);
    std::printf("  readFile:  %.4f  = %.2f x wc -w (target 2.5)\n", read, read / wc);
    std::printf("  writeFile: %.4f  = %.2f x wc -w (target 2), output identical to the input\n",
                write, write / wc);
    std::printf("peak memory of a process that read the file: %.1f MB (%.1f MB before reading)\n",
                readPeak, readBaseline);
    std::printf("  = %.2f x the file size (target 2.5)\n", readPeak / megabytes);
    std::printf("memory added by writeFile: %.1f MB\n", writeGrowth);
    return compareMemory(folder, file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "read") {
        return measureRead(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "write") {
        return measureWrite(argv[2]);
    }
    if (argc > 2) {
        std::cerr << "Usage: boxfile_bench [folder]\n";
        return 2;
    }
    return compareInFolder(argc == 2 ? argv[1] : nullptr, compare);
}
