// The progress an import and an export tell, and what a stop at any of their steps leaves: no
// boxes, no file changed, nothing else in the folder.
#include "geometrytestsupport.h"
#include "meshtestsupport.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <numeric>
#include <unistd.h>

namespace {

const Frame AXES = turnedFrame(0, 0);

// Cubes in a row, each touching the next, and a flat quad that makes no box.
ModelContent rowOfCubes(int count) {
    std::vector<std::pair<std::string, std::vector<Vec3>>> objects;
    for (int i = 0; i < count; ++i) {
        objects.emplace_back("cube" + std::to_string(i),
                             boxCorners({double(i), 0, 0}, {0.5, 0.5, 0.5}, AXES));
    }
    objects.emplace_back("flat", std::vector<Vec3>{{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}});
    std::string error;
    std::optional<ModelContent> model = readModelBytes(objOf(objects), "obj", error);
    EXPECT_TRUE(model) << error;
    return model.value_or(ModelContent{});
}

void twoBoxes(BoxDocument& document) {
    loadScene(document,
              {axisBox("4", {-1, -1, -1}, {0, 1, 1}), axisBox("5", {50, 0, 0}, {51, 1, 1})},
              {"0 1"});
}

// Every report, and a stop at the given one.
struct Recorder {
    std::uint64_t stopAt = 0;
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;

    WorkProgress progress() {
        return [this](std::uint64_t done, std::uint64_t total) {
            const std::lock_guard lock(mutex);
            reports.emplace_back(done, total);
            return reports.size() != stopAt;
        };
    }
};

TEST(ImportProgress, CountsEachMeshThenEachSolidAndChangesNothingOfTheResult) {
    const ModelContent model = rowOfCubes(6);
    BoxDocument document;
    twoBoxes(document);
    Recorder recorder;
    const std::optional<ModelBoxes> told = fitModelBoxes(model, document, {}, recorder.progress());
    ASSERT_TRUE(told);
    const ModelBoxes plain = fitModelBoxes(model, document, {});
    EXPECT_EQ(told->boxes, plain.boxes);
    EXPECT_EQ(told->intersections, plain.intersections);
    EXPECT_EQ(told->report.meshes.size(), 7u);
    EXPECT_EQ(told->intersections.size(), 6u);

    // Seven meshes, then the solids of the two boxes and of the six new ones. Until the flat
    // quad is known, every mesh was foreseen as a box.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> expected;
    for (std::uint64_t done = 1; done <= 7; ++done) {
        expected.emplace_back(done, 2 * 7 + 2);
    }
    for (std::uint64_t done = 8; done <= 7 + 2 + 6; ++done) {
        expected.emplace_back(done, 7 + 2 + 6);
    }
    EXPECT_EQ(recorder.reports, expected);
}

TEST(ImportProgress, AStopAtAnyStepGivesNothingAndLeavesTheDocument) {
    const ModelContent model = rowOfCubes(6);
    BoxDocument document;
    twoBoxes(document);
    const std::string before = document.writeText();
    for (const std::uint64_t stopAt : {1, 6, 7, 8, 15}) {
        Recorder recorder;
        recorder.stopAt = stopAt;
        EXPECT_FALSE(fitModelBoxes(model, document, {}, recorder.progress())) << stopAt;
        EXPECT_EQ(recorder.reports.size(), stopAt);
        EXPECT_EQ(document.writeText(), before);
    }
}

class ExportProgress : public ::testing::TestWithParam<ModelFormat> {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("exchangeprogress_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        // Enough boxes for several runs shared among threads, one without a solid.
        std::vector<BoxTexts> boxes;
        for (int i = 0; i < 5000; ++i) {
            boxes.push_back(turnedBox(std::to_string(i + 1),
                                      {double(i % 70) * 3, double(i / 70) * 3, 0}, {1, 0.25, 1},
                                      double(i % 7) * 15));
        }
        boxes[17][boxslot::firstPlane + 3] = "ffff0000";
        loadScene(document_, boxes, {"0 1", "1 2"});
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path() const {
        return (folder_ / ("scène." + std::string(modelExtensions()[std::size_t(GetParam())])))
            .string();
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                      std::filesystem::directory_iterator()));
    }
    static std::string bytesOf(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    bool ours() const { return GetParam() == ModelFormat::Obj || GetParam() == ModelFormat::Glb; }

    std::filesystem::path folder_;
    BoxDocument document_;
};

TEST_P(ExportProgress, ReachesItsTotalAndWritesWhatAnExportUntoldWrites) {
    ExportReport report;
    std::string error;
    const std::optional<std::string> expected =
        modelBytes(document_, GetParam(), {true}, report, error);
    ASSERT_TRUE(expected) << error;
    Recorder recorder;
    ASSERT_TRUE(
        writeModelFile(document_, path(), GetParam(), {true}, report, error, recorder.progress()))
        << error;
    // Assimp's Collada carries the time it was written at.
    if (ours()) {
        EXPECT_EQ(bytesOf(path()), *expected);
    } else {
        EXPECT_EQ(bytesOf(path()).size(), expected->size());
    }
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(report.boxesWritten, 4999u);
    EXPECT_EQ(report.linesWritten, 2u);
    ASSERT_FALSE(recorder.reports.empty());
    if (!ours()) {
        // Assimp tells nothing: one report, of a total unknown, before the file is written.
        EXPECT_EQ(recorder.reports, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0, 0}}));
        return;
    }
    // In boxes, once for OBJ, twice for glb (built, then described).
    const std::uint64_t total = GetParam() == ModelFormat::Obj ? 5000 : 10000;
    EXPECT_GT(recorder.reports.size(), 1u);
    for (std::size_t i = 0; i < recorder.reports.size(); ++i) {
        EXPECT_EQ(recorder.reports[i].second, total);
        EXPECT_TRUE(i == 0 || recorder.reports[i].first > recorder.reports[i - 1].first);
    }
    EXPECT_EQ(recorder.reports.back().first, total);
}

TEST_P(ExportProgress, AStopAtAnyReportKeepsTheFileThereAndLeavesNoOtherFile) {
    ExportReport report;
    std::string error;
    Recorder count;
    ASSERT_TRUE(
        writeModelFile(document_, path(), GetParam(), {true}, report, error, count.progress()));
    const std::size_t reports = count.reports.size();
    for (const std::uint64_t stopAt : {std::size_t{1}, (reports + 1) / 2, reports}) {
        { std::ofstream(path(), std::ios::binary) << "ce qui était là"; }
        Recorder recorder;
        recorder.stopAt = stopAt;
        EXPECT_FALSE(writeModelFile(document_, path(), GetParam(), {true}, report, error,
                                    recorder.progress()));
        EXPECT_TRUE(report.stopped);
        EXPECT_FALSE(report.fileError);
        EXPECT_EQ(recorder.reports.size(), stopAt);
        EXPECT_EQ(bytesOf(path()), "ce qui était là");
        EXPECT_EQ(filesInFolder(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportProgress,
                         ::testing::Values(ModelFormat::Obj, ModelFormat::Glb,
                                           ModelFormat::Collada),
                         [](const auto& info) {
                             return std::string(modelExtensions()[std::size_t(info.param)]);
                         });

} // namespace
