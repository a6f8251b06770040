#pragma once

#include "boxtestsupport.h"
#include "savecopy.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <string>

// Helpers shared by the tests that save and read real files, on every system.

namespace fs = std::filesystem;

inline std::string contentOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void writeContent(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    ASSERT_TRUE(file.good());
}

// The program's paths are UTF-8 on every system.
inline std::string utf8Path(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(utf8Path(entry.path().filename()));
    }
    return names;
}

// A document with enough boxes to fill several write buffers.
inline void fillLarge(BoxDocument& document, std::size_t boxCount) {
    for (std::size_t i = 0; i < boxCount; ++i) {
        BoxTexts texts = i % 2 == 0 ? cubeBox() : stretchedBox();
        texts[0] = std::to_string(i + 1);
        addBox(document, texts);
        document.intersections.append(std::to_string(i) + " " + std::to_string((i + 1) % boxCount));
    }
    document.setCountText(std::to_string(boxCount));
}

// Each case gets a new empty folder, removed with all it holds afterwards.
class BoxFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::random_device randomSource;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const fs::path candidate =
                fs::temp_directory_path() / ("quadrel-boxfile-" + std::to_string(randomSource()));
            if (fs::create_directory(candidate)) {
                folder_ = candidate;
            }
        }
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override {
        // Files and folders made read-only by a case must become writable again to go.
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            if (!entry.is_symlink()) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
            }
        }
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }

    fs::path folder_;
};

// What a save cut short leaves beside a file it was overwriting in place: the old content, then
// the trailer that says it is complete.
inline std::string completeCopyBytes(const std::string& content) {
    CopyChecksum checksum;
    checksum.add(content);
    return content + copyTrailer(content.size(), checksum.value());
}

// The name of that copy beside the file: hidden, and one per file.
inline fs::path copyBeside(const fs::path& file) {
    return file.parent_path() / ("." + utf8Path(file.filename()) + ".quadrel-copy");
}
