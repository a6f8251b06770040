// Times quadrel-check against `wc -w` on the same files, one after the other in each round, each a
// fresh process: the 100,000-box scene of geometry_bench, the same scene of a million boxes, and a
// file of one long count token. Also gives each process's peak memory against the file's size.
//
// Usage: check_bench [folder]   (a temporary folder by default)

#include "benchscene.h"
#include "benchsupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int repetitions = 5;
constexpr std::size_t oneTokenBytes = std::size_t{256} << 20;

struct Run {
    double wallSeconds = 0;
    double processorSeconds = 0;
    double peakBytes = 0;
};

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Runs the program with its output thrown away; nothing when it cannot be run or ends with a
// status other than those given.
std::optional<Run> runProgram(const std::vector<std::string>& arguments,
                              const std::vector<int>& statuses) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // What this process printed must not be printed again by the child.
    std::fflush(stdout);
    const BenchClock::time_point start = BenchClock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(127);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) {
        return std::nullopt;
    }
    Run run;
    run.wallSeconds = secondsSince(start);
    bool expected = false;
    for (const int allowed : statuses) {
        expected = expected || WEXITSTATUS(status) == allowed;
    }
    if (!expected) {
        return std::nullopt;
    }
    run.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
    return run;
}

void writeOneToken(const fs::path& file) {
    // A count of a great many digits followed by one box: the count token is nearly the file.
    std::ofstream out(file, std::ios::binary);
    const std::string zeros(std::size_t{1} << 20, '0');
    out << '9';
    for (std::size_t written = 0; written < oneTokenBytes; written += zeros.size()) {
        out << zeros;
    }
    out << "\r\n 1  2\r\n  00000000 00000000 00000000\r\n  4000 0000 0000 00004000\r\n"
           "  0000 4000 0000 00004000\r\n  0000 0000 4000 00004000\r\n"
           "  0000 c000 0000 00004000\r\n  0000 0000 c000 00004000\r\n"
           "  c000 0000 0000 00004000\r\n\r\n-1 -1\r\n";
}

std::string spread(const std::vector<double>& values) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f to %.2f",
                  *std::min_element(values.begin(), values.end()),
                  *std::max_element(values.begin(), values.end()));
    return text;
}

template <typename Field> std::vector<double> figures(const std::vector<Run>& runs, Field field) {
    std::vector<double> values;
    for (const Run& run : runs) {
        values.push_back(field(run));
    }
    return values;
}

bool compareOn(const std::string& what, const fs::path& file) {
    const double fileBytes = static_cast<double>(fs::file_size(file));
    std::vector<Run> counts;
    std::vector<Run> checks;
    for (int i = 0; i < repetitions; ++i) {
        const auto count = runProgram({"wc", "-w", file.string()}, {0});
        // A sound scene checks clean; the one-token file has a wrong count.
        const auto check = runProgram({QUADREL_CHECK, file.string()}, {0, 1});
        if (!count || !check) {
            std::cerr << "A program failed on " << file << '\n';
            return false;
        }
        counts.push_back(*count);
        checks.push_back(*check);
    }
    std::vector<double> wallRatios;
    std::vector<double> processorRatios;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        wallRatios.push_back(checks[i].wallSeconds / counts[i].wallSeconds);
        processorRatios.push_back(checks[i].processorSeconds / counts[i].processorSeconds);
    }
    std::printf("%s, %.1f MB:\n", what.c_str(), fileBytes / 1e6);
    std::printf("  wall time: wc -w %.3f s, quadrel-check %.3f s: ratio %.2f (runs %s, target 3)\n",
                median(figures(counts, [](const Run& r) { return r.wallSeconds; })),
                median(figures(checks, [](const Run& r) { return r.wallSeconds; })),
                median(wallRatios), spread(wallRatios).c_str());
    std::printf("  processor time: wc -w %.3f s, quadrel-check %.3f s: ratio %.2f (runs %s)\n",
                median(figures(counts, [](const Run& r) { return r.processorSeconds; })),
                median(figures(checks, [](const Run& r) { return r.processorSeconds; })),
                median(processorRatios), spread(processorRatios).c_str());
    const double peak = median(figures(checks, [](const Run& r) { return r.peakBytes; }));
    std::printf("  quadrel-check peak memory %.1f MB: %.2f times the file (target 2)\n", peak / 1e6,
                peak / fileBytes);
    return true;
}

int compare(const fs::path& folder) {
    std::printf("medians of %d runs, each a fresh process; wc -w and quadrel-check alternate\n",
                repetitions);
    for (const std::size_t boxes : {std::size_t{100000}, std::size_t{1000000}}) {
        const fs::path file = folder / ("scene-" + std::to_string(boxes) + ".box");
        std::ofstream(file, std::ios::binary) << benchscene::generateScene(boxes);
        const bool compared = compareOn(std::to_string(boxes) + " boxes", file);
        fs::remove(file);
        if (!compared) {
            return 1;
        }
    }
    const fs::path file = folder / "one-token.box";
    writeOneToken(file);
    const bool compared = compareOn("one count token of 256 MiB, then one box", file);
    fs::remove(file);
    return compared ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "Usage: check_bench [folder]\n";
        return 2;
    }
    return compareInFolder(argc == 2 ? argv[1] : nullptr, compare);
}
