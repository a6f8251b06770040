#include "objwriter.h"

#include "modelwriter.h"
#include "orlclass.h"
#include "parallelwork.h"

namespace {

struct Point3f {
    float x = 0;
    float y = 0;
    float z = 0;
};

Point3f singlePrecision(const Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

void appendPoint(std::string& text, std::string_view keyword, const Vec3& v) {
    const Point3f p = singlePrecision(v);
    text += keyword;
    appendNumber(text, p.x);
    text += ' ';
    appendNumber(text, p.y);
    text += ' ';
    appendNumber(text, p.z);
    text += '\n';
}

// What one run of boxes gives: its text, and the boxes it leaves out.
struct RunText {
    std::string text;
    std::vector<std::size_t> skipped;
};

class ObjRunWriter {
public:
    ObjRunWriter(const BoxDocument& document, std::vector<Vec3>& centres,
                 std::vector<char>& written)
        : document_(document), centres_(centres), written_(written) {}

    void write(const RankRun& run, RunText& out) const {
        out.text.clear();
        out.skipped.clear();
        thread_local Solid solid;
        for (std::size_t rank = run.first; rank < run.last; ++rank) {
            const Box& box = document_.boxes.at(rank);
            const BoxValues values = decodeBoxValues(box);
            buildSolid(values, solid);
            centres_[rank] = values.centre;
            if (!solid.closed()) {
                out.skipped.push_back(rank);
                continue;
            }
            written_[rank] = 1;
            writeBox(box, rank, values, solid, out.text);
        }
    }

private:
    static void writeBox(const Box& box, std::size_t rank, const BoxValues& values,
                         const Solid& solid, std::string& text) {
        text += "o ";
        appendMeshName(text, box.id.view(), rank);
        text += '\n';
        for (const Vec3& corner : solid.vertices) {
            appendPoint(text, "v ", corner);
        }
        const FacePlanes faces = distinctFaces(solid);
        for (std::size_t f = 0; f < faces.count; ++f) {
            appendPoint(text, "vn ", unitNormal(values.planes[faces.planes[f]]));
        }
        const auto cornerCount = static_cast<long long>(solid.vertices.size());
        const auto faceCount = static_cast<long long>(faces.count);
        for (std::size_t f = 0; f < faces.count; ++f) {
            text += 'f';
            for (const std::size_t corner : solid.faces[faces.planes[f]]) {
                text += ' ';
                appendNumber(text, static_cast<long long>(corner) - cornerCount);
                text += "//";
                appendNumber(text, static_cast<long long>(f) - faceCount);
            }
            text += '\n';
        }
    }

    const BoxDocument& document_;
    std::vector<Vec3>& centres_;
    std::vector<char>& written_;
};

void appendLines(std::string& text, const std::vector<Vec3>& centres,
                 const std::vector<std::pair<std::size_t, std::size_t>>& lines) {
    text += "o intersections\n";
    for (const auto& [first, second] : lines) {
        appendPoint(text, "v ", centres[first]);
        appendPoint(text, "v ", centres[second]);
        text += "l -2 -1\n";
    }
}

} // namespace

bool writeObjModel(const BoxDocument& document, const ExportOptions& options, ExportReport& report,
                   const ModelOutput& output) {
    report = ExportReport{};
    const std::size_t boxCount = document.boxes.size();
    std::vector<Vec3> centres(boxCount);
    std::vector<char> written(boxCount, 0);
    const std::vector<RankRun> runs = rankRuns(boxCount);
    const unsigned threadCount = threadCountFor(boxCount);
    const std::size_t ahead = 2 * std::size_t{threadCount};
    std::vector<RunText> texts(ahead);
    const ObjRunWriter writer(document, centres, written);
    bool accepted = true;
    runInOrder(
        threadCount, runs.size(), ahead,
        [&](std::size_t index) { writer.write(runs[index], texts[index % ahead]); },
        [&](std::size_t index) {
            const RunText& run = texts[index % ahead];
            accepted = accepted && output(run.text);
            report.skippedRanks.insert(report.skippedRanks.end(), run.skipped.begin(),
                                       run.skipped.end());
        });
    report.boxesWritten = boxCount - report.skippedRanks.size();
    if (options.intersections) {
        const auto lines = writtenIntersections(document, written);
        if (!lines.empty()) {
            std::string text;
            appendLines(text, centres, lines);
            accepted = accepted && output(text);
            report.linesWritten = lines.size();
        }
    }
    return accepted;
}
