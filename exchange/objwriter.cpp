#include "objwriter.h"

#include "modelwriteprogress.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "parallelwork.h"

#include <cstdint>
#include <cstring>

namespace {

// Room for a keyword and three numbers with their separators.
constexpr std::size_t LINE_ROOM = 4 + 3 * (NUMBER_ROOM + 1);

char* putPoint(char* at, std::string_view keyword, const Vec3& v) {
    at = TextBuffer::put(at, keyword);
    at = TextBuffer::putNumber(at, static_cast<float>(v.x));
    at = TextBuffer::put(at, ' ');
    at = TextBuffer::putNumber(at, static_cast<float>(v.y));
    at = TextBuffer::put(at, ' ');
    at = TextBuffer::putNumber(at, static_cast<float>(v.z));
    return TextBuffer::put(at, '\n');
}

// The "vn" lines of the last normals written, by their single-precision values: the boxes of a
// scene share few directions, and a line copied costs far less than three numbers formatted.
class NormalLines {
public:
    char* put(char* at, const Vec3& normal) {
        const std::array<float, 3> key{static_cast<float>(normal.x), static_cast<float>(normal.y),
                                       static_cast<float>(normal.z)};
        std::array<std::uint32_t, 3> bits{};
        std::memcpy(bits.data(), key.data(), sizeof bits);
        Line& line = lines_[(bits[0] * 3 + bits[1] * 5 + bits[2] * 7) % lines_.size()];
        if (line.length == 0 || std::memcmp(line.key.data(), key.data(), sizeof key) != 0) {
            line.key = key;
            line.length = static_cast<std::size_t>(putPoint(line.text.data(), "vn ", normal) -
                                                   line.text.data());
        }
        return TextBuffer::put(at, std::string_view(line.text.data(), line.length));
    }

private:
    struct Line {
        std::array<float, 3> key{};
        std::array<char, LINE_ROOM> text{};
        std::size_t length = 0;
    };
    std::array<Line, 61> lines_{};
};

// The "f" lines of the last solid written: boxes built alike (all blocks turning the same way)
// have the same, as their corners are counted back from their own.
class FaceLines {
public:
    char* put(char* at, const Solid& solid, const FacePlanes& faces) {
        std::array<std::uint8_t, 36> key{};
        std::size_t used = 0;
        bool fits = solid.vertices.size() <= 255;
        for (std::size_t f = 0; f < faces.count && fits; ++f) {
            const std::vector<std::size_t>& corners = solid.faces[faces.planes[f]];
            fits = used + corners.size() + 1 <= key.size();
            for (std::size_t c = 0; c < corners.size() && fits; ++c) {
                key[used++] = static_cast<std::uint8_t>(corners[c] + 1);
            }
            if (fits) {
                key[used++] = 0;
            }
        }
        if (!fits) {
            return putFaces(at, solid, faces);
        }
        if (!known_ || key != key_ || vertexCount_ != solid.vertices.size()) {
            text_.resize(faceRoom(solid, faces));
            text_.resize(
                static_cast<std::size_t>(putFaces(text_.data(), solid, faces) - text_.data()));
            key_ = key;
            vertexCount_ = solid.vertices.size();
            known_ = true;
        }
        return TextBuffer::put(at, text_);
    }

    static std::size_t faceRoom(const Solid& solid, const FacePlanes& faces) {
        std::size_t corners = 0;
        for (std::size_t f = 0; f < faces.count; ++f) {
            corners += solid.faces[faces.planes[f]].size();
        }
        return faces.count * 2 + corners * (4 + 2 * NUMBER_ROOM);
    }

private:
    static char* putFaces(char* at, const Solid& solid, const FacePlanes& faces) {
        const auto cornerCount = static_cast<long long>(solid.vertices.size());
        const auto faceCount = static_cast<long long>(faces.count);
        for (std::size_t f = 0; f < faces.count; ++f) {
            at = TextBuffer::put(at, 'f');
            for (const std::size_t corner : solid.faces[faces.planes[f]]) {
                at = TextBuffer::put(at, ' ');
                at = TextBuffer::putNumber(at, static_cast<long long>(corner) - cornerCount);
                at = TextBuffer::put(at, "//");
                at = TextBuffer::putNumber(at, static_cast<long long>(f) - faceCount);
            }
            at = TextBuffer::put(at, '\n');
        }
        return at;
    }

    std::array<std::uint8_t, 36> key_{};
    std::size_t vertexCount_ = 0;
    bool known_ = false;
    std::string text_;
};

// What one run of boxes gives: its text, and the boxes it leaves out.
struct RunText {
    TextBuffer text;
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
        thread_local NormalLines normals;
        thread_local FaceLines faceLines;
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
            writeBox(box, rank, values, solid, normals, faceLines, out.text);
        }
    }

private:
    static void writeBox(const Box& box, std::size_t rank, const BoxValues& values,
                         const Solid& solid, NormalLines& normals, FaceLines& faceLines,
                         TextBuffer& text) {
        const FacePlanes faces = distinctFaces(solid);
        const std::string_view id = box.id.view();
        char* at =
            text.room(4 + meshNameRoom(id) + (solid.vertices.size() + faces.count) * LINE_ROOM +
                      FaceLines::faceRoom(solid, faces));
        at = TextBuffer::put(at, "o ");
        at = putMeshName(at, id, rank);
        at = TextBuffer::put(at, '\n');
        for (const Vec3& corner : solid.vertices) {
            at = putPoint(at, "v ", corner);
        }
        for (std::size_t f = 0; f < faces.count; ++f) {
            at = normals.put(at, unitNormal(values.planes[faces.planes[f]]));
        }
        at = faceLines.put(at, solid, faces);
        text.end(at);
    }

    const BoxDocument& document_;
    std::vector<Vec3>& centres_;
    std::vector<char>& written_;
};

std::string linesText(const std::vector<Vec3>& centres,
                      const std::vector<std::pair<std::size_t, std::size_t>>& lines) {
    TextBuffer text;
    text.append("o intersections\n");
    for (const auto& [first, second] : lines) {
        char* at = text.room(2 * LINE_ROOM + 16);
        at = putPoint(at, "v ", centres[first]);
        at = putPoint(at, "v ", centres[second]);
        text.end(TextBuffer::put(at, "l -2 -1\n"));
    }
    return std::string(text.view());
}

} // namespace

bool writeObjModel(const BoxDocument& document, const ExportOptions& options, ExportReport& report,
                   const ModelOutput& output, const WorkProgress& progress) {
    report = ExportReport{};
    const std::size_t boxCount = document.boxes.size();
    std::vector<Vec3> centres(boxCount);
    std::vector<char> written(boxCount, 0);
    const std::vector<RankRun> runs = rankRuns(boxCount);
    const unsigned threadCount = threadCountFor(boxCount);
    const std::size_t ahead = 2 * std::size_t{threadCount};
    std::vector<RunText> texts(ahead);
    const ObjRunWriter writer(document, centres, written);
    ModelWriteProgress told(progress, boxCount);
    bool accepted = true;
    runInOrder(
        threadCount, runs.size(), ahead,
        [&](std::size_t index) {
            if (!told.stopped()) {
                writer.write(runs[index], texts[index % ahead]);
            }
        },
        [&](std::size_t index) {
            const RunText& run = texts[index % ahead];
            accepted = accepted && output(run.text.view()) &&
                       told.add(runs[index].last - runs[index].first);
            report.skippedRanks.insert(report.skippedRanks.end(), run.skipped.begin(),
                                       run.skipped.end());
        });
    report.boxesWritten = boxCount - report.skippedRanks.size();
    if (options.intersections) {
        const auto lines = writtenIntersections(document, written);
        if (!lines.empty()) {
            accepted = accepted && output(linesText(centres, lines));
            report.linesWritten = lines.size();
        }
    }
    return accepted;
}
