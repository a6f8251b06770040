#pragma once

// Helpers shared by the benchmark programs that measure in fresh processes of their own.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double secondsSince(BenchClock::time_point start) {
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// A memory figure of this process in bytes, from /proc/self/status: "VmRSS:" the resident memory
// now, "VmHWM:" its peak so far.
inline long long statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::atoll(line.c_str() + key.size()) * 1024;
        }
    }
    return -1;
}

// Runs this program in one of its measuring modes on the file and returns the figures it prints.
inline std::vector<double> measureInChild(const std::string& mode,
                                          const std::filesystem::path& file) {
    const std::string command = "'" + std::filesystem::read_symlink("/proc/self/exe").string() +
                                "' " + mode + " '" + file.string() + "'";
    std::FILE* output = popen(command.c_str(), "r");
    std::vector<double> figures;
    double figure = 0;
    while (output != nullptr && std::fscanf(output, "%lf", &figure) == 1) {
        figures.push_back(figure);
    }
    if (output == nullptr || pclose(output) != 0) {
        std::cerr << "The " << mode << " measurement failed\n";
        std::exit(1);
    }
    return figures;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the comparison in the folder named, or else in a temporary folder that it then removes.
template <typename Compare> int compareInFolder(const char* folder, Compare compare) {
    if (folder != nullptr) {
        return compare(std::filesystem::path(folder));
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quadrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const int result = compare(std::filesystem::path(pattern));
    std::filesystem::remove_all(pattern);
    return result;
}
