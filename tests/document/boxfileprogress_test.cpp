#include "filetestsupport.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <vector>

// Reading and saving that tell how far they have gone, and a reading stopped half-way.

namespace {

class BoxFileProgressTest : public BoxFileTest {
protected:
    // A file of several read buffers, and the document it was written from.
    fs::path writeLargeFile(BoxDocument& written) {
        fillLarge(written, 3000);
        const fs::path target = folder_ / "grand.box";
        written.setPath(target.string());
        EXPECT_TRUE(written.writeFile());
        return target;
    }

    // A document that a stopped reading must leave exactly as it is.
    static void fillPrevious(BoxDocument& document) {
        document.readText(workedExampleBytes);
        document.setPath("avant.box");
    }
};

TEST_F(BoxFileProgressTest, ReportsGrowingByteCountsEndingAtTheFileSize) {
    BoxDocument written;
    const fs::path target = writeLargeFile(written);
    const std::uint64_t size = fs::file_size(target);
    ASSERT_GT(size, 4u * 64 * 1024);

    std::vector<std::uint64_t> reports;
    BoxDocument document;
    fillPrevious(document);
    const LoadOutcome outcome = document.loadFile(target.string(), [&](std::uint64_t read) {
        reports.push_back(read);
        return true;
    });
    ASSERT_EQ(outcome, LoadOutcome::loaded);
    ASSERT_GE(reports.size(), size / (64 * 1024));
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_LT(reports[i - 1], reports[i]) << "report " << i;
    }
    EXPECT_EQ(reports.back(), size);
    EXPECT_EQ(snapshot(document), snapshot(written));
    EXPECT_EQ(document.writeText(), contentOf(target));
}

TEST_F(BoxFileProgressTest, AStoppedReadingLeavesTheDocumentAsItWas) {
    BoxDocument written;
    const fs::path target = writeLargeFile(written);
    BoxDocument untouched;
    fillPrevious(untouched);
    const std::size_t reportCount = fs::file_size(target) / (64 * 1024) + 1;

    // At the first report, half-way, and at the last, when every byte is in.
    for (const std::size_t stopAt : {std::size_t{1}, reportCount / 2, reportCount}) {
        SCOPED_TRACE(stopAt);
        BoxDocument document;
        fillPrevious(document);
        std::size_t reports = 0;
        const LoadOutcome outcome =
            document.loadFile(target.string(), [&](std::uint64_t) { return ++reports < stopAt; });
        EXPECT_EQ(outcome, LoadOutcome::stopped);
        EXPECT_EQ(reports, stopAt) << "no report after the stop";
        EXPECT_EQ(snapshot(document), snapshot(untouched));
    }
}

TEST_F(BoxFileProgressTest, AnUnreadableFileIsToldApartFromAStop) {
    BoxDocument document;
    fillPrevious(document);
    BoxDocument untouched;
    fillPrevious(untouched);
    bool reported = false;
    const auto progress = [&](std::uint64_t) {
        reported = true;
        return true;
    };
    EXPECT_EQ(document.loadFile((folder_ / "absent.box").string(), progress),
              LoadOutcome::unreadable);
    EXPECT_EQ(document.loadFile(folder_.string(), progress), LoadOutcome::unreadable);
    EXPECT_FALSE(reported);
    EXPECT_EQ(snapshot(document), snapshot(untouched));
}

TEST_F(BoxFileProgressTest, AnEmptyFileLoadsWithoutAReport) {
    const fs::path target = folder_ / "vide.box";
    writeContent(target, "");
    BoxDocument document;
    fillPrevious(document);
    bool reported = false;
    EXPECT_EQ(document.loadFile(target.string(),
                                [&](std::uint64_t) {
                                    reported = true;
                                    return false;
                                }),
              LoadOutcome::loaded);
    EXPECT_FALSE(reported);
    EXPECT_TRUE(document.boxes.empty());
    EXPECT_EQ(document.getPath(), target.string());
}

TEST_F(BoxFileProgressTest, SavingReportsGrowingByteCountsEndingAtTheFileSize) {
    BoxDocument document;
    fillLarge(document, 3000);
    const fs::path target = folder_ / "enregistré.box";
    document.setPath(utf8Path(target));
    std::vector<std::uint64_t> reports;
    std::error_code reason;
    ASSERT_TRUE(document.writeFile(reason, [&](std::uint64_t written) {
        reports.push_back(written);
        // The file is replaced only once all is written.
        EXPECT_FALSE(fs::exists(target));
    }));
    const std::string bytes = contentOf(target);
    EXPECT_EQ(bytes, document.writeText());
    ASSERT_GE(reports.size(), 2u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_LT(reports[i - 1], reports[i]) << "report " << i;
    }
    EXPECT_EQ(reports.back(), bytes.size());
}

} // namespace
