#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// A fresh temporary folder for a command's files, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return file(name);
    }

    // The bytes of the file, or nothing when it does not exist.
    std::optional<std::string> read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

struct CommandOutcome {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs a command of the form int(arguments, out, err) in-process.
template <typename Command>
CommandOutcome runCommand(Command command, const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    CommandOutcome outcome;
    outcome.status = command(arguments, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}
