#include "objwriter.h"

#include "boxmesh.h"
#include "modelwriteprogress.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "parallelwork.h"

#include <cstdint>
#include <cstring>
#include <memory>

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

char* putCorner(char* at, const Vec3& v, NumberTexts& numbers) {
    at = TextBuffer::put(at, "v ");
    at = numbers.put(at, static_cast<float>(v.x));
    at = TextBuffer::put(at, ' ');
    at = numbers.put(at, static_cast<float>(v.y));
    at = TextBuffer::put(at, ' ');
    at = numbers.put(at, static_cast<float>(v.z));
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

// The "f" lines of a box, whose corners and normals are counted back from its own: every
// parallelepiped turning the same way has the same, written once.
class FaceLines {
public:
    char* put(char* at, const BoxMesh& mesh) {
        const auto layout = static_cast<std::size_t>(mesh.layout());
        if (mesh.layout() == BoxMesh::Layout::Other) {
            return putFaces(at, mesh);
        }
        std::string& text = texts_[layout];
        if (text.empty()) {
            text.resize(faceRoom(mesh));
            text.resize(static_cast<std::size_t>(putFaces(text.data(), mesh) - text.data()));
        }
        return TextBuffer::put(at, text);
    }

    static std::size_t faceRoom(const BoxMesh& mesh) {
        return mesh.faceCount() * 2 + mesh.faceCornerCount() * (4 + 2 * NUMBER_ROOM);
    }

private:
    static char* putFaces(char* at, const BoxMesh& mesh) {
        const auto cornerCount = static_cast<long long>(mesh.corners().size());
        const auto faceCount = static_cast<long long>(mesh.faceCount());
        for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
            at = TextBuffer::put(at, 'f');
            for (const std::uint8_t corner : mesh.face(f)) {
                at = TextBuffer::put(at, ' ');
                at = TextBuffer::putNumber(at, static_cast<long long>(corner) - cornerCount);
                at = TextBuffer::put(at, "//");
                at = TextBuffer::putNumber(at, static_cast<long long>(f) - faceCount);
            }
            at = TextBuffer::put(at, '\n');
        }
        return at;
    }

    // The lines of a parallelepiped and of a mirrored one, once written.
    std::array<std::string, 2> texts_;
};

// What a thread keeps from one box to the next.
struct ObjThreadState {
    BoxMesh mesh;
    NumberTexts numbers;
    NormalLines normals;
    FaceLines faces;
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
        // Kept apart from the stack: its number texts take some twenty-five kilobytes.
        thread_local auto state = std::make_unique<ObjThreadState>();
        for (std::size_t rank = run.first; rank < run.last; ++rank) {
            const Box& box = document_.boxes.at(rank);
            const BoxValues values = decodeBoxValues(box);
            centres_[rank] = values.centre;
            if (!state->mesh.build(values)) {
                out.skipped.push_back(rank);
                continue;
            }
            written_[rank] = 1;
            writeBox(box.id.view(), rank, *state, out.text);
        }
    }

private:
    static void writeBox(std::string_view id, std::size_t rank, ObjThreadState& state,
                         TextBuffer& text) {
        const BoxMesh& mesh = state.mesh;
        char* at = text.room(4 + meshNameRoom(id) +
                             (mesh.corners().size() + mesh.faceCount()) * LINE_ROOM +
                             FaceLines::faceRoom(mesh));
        at = TextBuffer::put(at, "o ");
        at = putMeshName(at, id, rank);
        at = TextBuffer::put(at, '\n');
        for (const Vec3& corner : mesh.corners()) {
            at = putCorner(at, corner, state.numbers);
        }
        for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
            at = state.normals.put(at, mesh.normal(f));
        }
        text.end(state.faces.put(at, mesh));
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
