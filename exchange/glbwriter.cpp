#include "glbwriter.h"

#include "modelwriteprogress.h"
#include "modelwriter.h"
#include "orlclass.h"
#include "parallelwork.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace {

constexpr std::uint32_t GLB_MAGIC = 0x46546c67; // "glTF"
constexpr std::uint32_t GLB_VERSION = 2;
constexpr std::uint32_t JSON_CHUNK = 0x4e4f534a; // "JSON"
constexpr std::uint32_t BIN_CHUNK = 0x004e4942;  // "BIN\0"
constexpr std::size_t FLOAT3_BYTES = 12;

// The numbers of corners of a mesh's faces, in order: the triangles of every mesh that has the
// same numbers are the same indices.
struct FaceSizes {
    std::array<std::uint8_t, 6> sizes{};
    std::uint8_t count = 0;
    bool operator==(const FaceSizes&) const = default;
};

struct Bounds {
    std::array<float, 3> low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::max()};
    std::array<float, 3> high{std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::lowest(),
                              std::numeric_limits<float>::lowest()};
    void add(const std::array<float, 3>& p) {
        for (std::size_t i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], p[i]);
            high[i] = std::max(high[i], p[i]);
        }
    }
};

// The normals of a mesh's corners, each face's repeated over its corners: boxes turned alike
// share them, and so one accessor, which halves the model of a scene of few directions.
struct NormalSet {
    FaceSizes sizes;
    std::array<std::array<float, 3>, 6> normals{};
    bool operator==(const NormalSet&) const = default;
};

struct NormalSetHash {
    std::size_t operator()(const NormalSet& set) const {
        std::array<std::uint32_t, 18> bits{};
        std::memcpy(bits.data(), set.normals.data(), sizeof bits);
        std::size_t hash = set.sizes.count;
        for (const std::uint32_t word : bits) {
            hash = hash * 1000003 ^ word;
        }
        return hash;
    }
};

using NormalSetIndex = std::unordered_map<NormalSet, std::size_t, NormalSetHash>;

struct MeshEntry {
    std::size_t rank = 0;
    std::uint32_t cornerCount = 0;
    // Into the run's own lists of face sizes and of normal sets.
    std::uint8_t sizesIndex = 0;
    std::size_t normalsIndex = 0;
    Bounds bounds;
};

// What one run of boxes gives: first the corners and normals of its meshes with what names and
// describes them, then, once every run's place in the file is known, its texts in the JSON.
struct RunMeshes {
    TextBuffer binary;
    std::vector<MeshEntry> meshes;
    std::vector<FaceSizes> faceSizes;
    std::vector<NormalSet> normalSets;
    std::vector<std::size_t> skipped;
    // Where its meshes start among all: their number, and their bytes in the buffer view.
    std::size_t firstMesh = 0;
    std::size_t firstByte = 0;
    // The global index list of each of its face sizes, and normal set of each of its own.
    std::vector<std::size_t> indexLists;
    std::vector<std::size_t> normalAccessors;
    TextBuffer nodes;
    TextBuffer meshTexts;
    TextBuffer accessors;
};

std::array<float, 3> singlePrecision(const Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

char* putFloats(char* at, const std::array<float, 3>& p) {
    std::memcpy(at, p.data(), FLOAT3_BYTES);
    return at + FLOAT3_BYTES;
}

void appendFloats(std::string& binary, const std::array<float, 3>& p) {
    char bytes[FLOAT3_BYTES];
    putFloats(bytes, p);
    binary.append(bytes, FLOAT3_BYTES);
}

template <typename Integer> void appendLittleEndian(std::string& bytes, Integer value) {
    for (std::size_t i = 0; i < sizeof(Integer); ++i) {
        bytes += static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i) & 0xff);
    }
}

std::uint8_t sizesIndexOf(std::vector<FaceSizes>& known, const FaceSizes& sizes) {
    const auto found = std::find(known.begin(), known.end(), sizes);
    if (found != known.end()) {
        return static_cast<std::uint8_t>(found - known.begin());
    }
    known.push_back(sizes);
    return static_cast<std::uint8_t>(known.size() - 1);
}

// Builds the solids of a run and writes their corners, each face's in turn, and the normal sets
// they need.
void buildRun(const BoxDocument& document, const RankRun& run, RunMeshes& out,
              std::vector<Vec3>& centres, std::vector<char>& written) {
    thread_local Solid solid;
    NormalSetIndex normalSets;
    for (std::size_t rank = run.first; rank < run.last; ++rank) {
        const BoxValues values = decodeBoxValues(document.boxes.at(rank));
        buildSolid(values, solid);
        centres[rank] = values.centre;
        if (!solid.closed()) {
            out.skipped.push_back(rank);
            continue;
        }
        written[rank] = 1;
        const FacePlanes faces = distinctFaces(solid);
        MeshEntry mesh;
        mesh.rank = rank;
        FaceSizes sizes;
        std::size_t cornerCount = 0;
        for (std::size_t f = 0; f < faces.count; ++f) {
            cornerCount += solid.faces[faces.planes[f]].size();
        }
        char* at = out.binary.room(cornerCount * FLOAT3_BYTES);
        for (std::size_t f = 0; f < faces.count; ++f) {
            const std::vector<std::size_t>& corners = solid.faces[faces.planes[f]];
            sizes.sizes[sizes.count++] = static_cast<std::uint8_t>(corners.size());
            for (const std::size_t corner : corners) {
                const std::array<float, 3> p =
                    singlePrecision(placed(solid.vertices[corner], UpAxis::Y));
                mesh.bounds.add(p);
                at = putFloats(at, p);
            }
        }
        out.binary.end(at);
        NormalSet normals;
        normals.sizes = sizes;
        for (std::size_t f = 0; f < faces.count; ++f) {
            normals.normals[f] =
                singlePrecision(placed(unitNormal(values.planes[faces.planes[f]]), UpAxis::Y));
        }
        const auto [found, added] = normalSets.try_emplace(normals, out.normalSets.size());
        if (added) {
            out.normalSets.push_back(normals);
        }
        mesh.normalsIndex = found->second;
        mesh.cornerCount = static_cast<std::uint32_t>(cornerCount);
        mesh.sizesIndex = sizesIndexOf(out.faceSizes, sizes);
        out.meshes.push_back(mesh);
    }
}

// Each face cut into a fan of triangles from its first corner: counter-clockwise as it is.
std::vector<std::uint16_t> triangleIndices(const FaceSizes& sizes) {
    std::vector<std::uint16_t> indices;
    std::uint16_t first = 0;
    for (std::size_t f = 0; f < sizes.count; ++f) {
        for (std::uint16_t i = 1; i + 1 < sizes.sizes[f]; ++i) {
            indices.insert(indices.end(), {first, static_cast<std::uint16_t>(first + i),
                                           static_cast<std::uint16_t>(first + i + 1)});
        }
        first = static_cast<std::uint16_t>(first + sizes.sizes[f]);
    }
    return indices;
}

char* putVector(char* at, const std::array<float, 3>& v) {
    at = TextBuffer::put(at, '[');
    at = TextBuffer::putNumber(at, v[0]);
    at = TextBuffer::put(at, ',');
    at = TextBuffer::putNumber(at, v[1]);
    at = TextBuffer::put(at, ',');
    at = TextBuffer::putNumber(at, v[2]);
    return TextBuffer::put(at, ']');
}

// A JSON string of a mesh's name: what JSON cannot hold as it is, escaped. Room: twice the
// name's.
char* putQuotedName(char* at, std::string_view id, std::size_t rank) {
    at = TextBuffer::put(at, '"');
    if (id.find_first_of("\"\\") == std::string_view::npos) {
        at = putMeshName(at, id, rank);
    } else {
        std::string name;
        appendMeshName(name, id, rank);
        for (const char c : name) {
            if (c == '"' || c == '\\') {
                *at++ = '\\';
            }
            *at++ = c;
        }
    }
    return TextBuffer::put(at, '"');
}

constexpr std::size_t ACCESSOR_ROOM = 128 + 8 * NUMBER_ROOM;

// The accessor of the positions of a run of corners (glTF asks for their bounds) or of their
// normals.
char* putPositionAccessor(char* at, std::size_t offset, std::size_t count, const Bounds& bounds) {
    at = TextBuffer::put(at, R"({"bufferView":0,"byteOffset":)");
    at = TextBuffer::putNumber(at, offset);
    at = TextBuffer::put(at, R"(,"componentType":5126,"count":)");
    at = TextBuffer::putNumber(at, count);
    at = TextBuffer::put(at, R"(,"type":"VEC3","min":)");
    at = putVector(at, bounds.low);
    at = TextBuffer::put(at, R"(,"max":)");
    at = putVector(at, bounds.high);
    return TextBuffer::put(at, '}');
}

char* putNormalAccessor(char* at, std::size_t offset, std::size_t count) {
    at = TextBuffer::put(at, R"({"bufferView":0,"byteOffset":)");
    at = TextBuffer::putNumber(at, offset);
    at = TextBuffer::put(at, R"(,"componentType":5126,"count":)");
    at = TextBuffer::putNumber(at, count);
    return TextBuffer::put(at, R"(,"type":"VEC3"})");
}

// The run's nodes, meshes and accessors; meshCount: the number of meshes of boxes in the file,
// whose positions' accessors come first, then the normal sets', then the index lists'.
void writeRunJson(const BoxDocument& document, RunMeshes& run, std::size_t meshCount,
                  std::size_t normalSetCount) {
    std::size_t byte = run.firstByte;
    for (std::size_t i = 0; i < run.meshes.size(); ++i) {
        const MeshEntry& mesh = run.meshes[i];
        const std::size_t index = run.firstMesh + i;
        const std::string_view id = document.boxes.at(mesh.rank).id.view();
        const std::size_t nameRoom = 2 * meshNameRoom(id) + 2;
        // The root node comes before every box's.
        char* at = run.nodes.room(32 + nameRoom + NUMBER_ROOM);
        at = TextBuffer::put(at, R"(,{"name":)");
        at = putQuotedName(at, id, mesh.rank);
        at = TextBuffer::put(at, R"(,"mesh":)");
        at = TextBuffer::putNumber(at, index);
        run.nodes.end(TextBuffer::put(at, '}'));

        const bool first = index == 0;
        at = run.meshTexts.room(96 + nameRoom + 3 * NUMBER_ROOM);
        at = TextBuffer::put(at, first ? R"({"name":)" : R"(,{"name":)");
        at = putQuotedName(at, id, mesh.rank);
        at = TextBuffer::put(at, R"(,"primitives":[{"attributes":{"POSITION":)");
        at = TextBuffer::putNumber(at, index);
        at = TextBuffer::put(at, R"(,"NORMAL":)");
        at = TextBuffer::putNumber(at, meshCount + run.normalAccessors[mesh.normalsIndex]);
        at = TextBuffer::put(at, R"(},"indices":)");
        at =
            TextBuffer::putNumber(at, meshCount + normalSetCount + run.indexLists[mesh.sizesIndex]);
        run.meshTexts.end(TextBuffer::put(at, "}]}"));

        at = run.accessors.room(ACCESSOR_ROOM);
        if (!first) {
            at = TextBuffer::put(at, ',');
        }
        at = putPositionAccessor(at, byte, mesh.cornerCount, mesh.bounds);
        byte += mesh.cornerCount * FLOAT3_BYTES;
        run.accessors.end(at);
    }
}

// The pieces of the file in order, and their total length.
class GlbPieces {
public:
    void add(std::string_view piece) {
        pieces_.push_back(piece);
        length_ += piece.size();
    }
    std::size_t length() const { return length_; }
    bool writeTo(const ModelOutput& output) const {
        return std::all_of(pieces_.begin(), pieces_.end(),
                           [&](std::string_view piece) { return output(piece); });
    }

private:
    std::vector<std::string_view> pieces_;
    std::size_t length_ = 0;
};

std::size_t paddingTo4(std::size_t length) {
    return (4 - length % 4) % 4;
}

std::string chunkHeader(std::size_t length, std::uint32_t type) {
    std::string header;
    appendLittleEndian(header, static_cast<std::uint32_t>(length));
    appendLittleEndian(header, type);
    return header;
}

class GlbWriter {
public:
    GlbWriter(const BoxDocument& document, const ExportOptions& options,
              const WorkProgress& progress)
        : document_(document), options_(options), progress_(progress, 2 * document.boxes.size()),
          centres_(document.boxes.size()), written_(document.boxes.size(), 0) {}

    bool write(ExportReport& report, const ModelOutput& output) {
        buildMeshes(report);
        if (progress_.stopped()) {
            return false;
        }
        placeRuns();
        if (options_.intersections) {
            addLines(report);
        }
        writeJson();
        return !progress_.stopped() && assemble(output);
    }

private:
    void buildMeshes(ExportReport& report) {
        const std::vector<RankRun> rankRunList = rankRuns(document_.boxes.size());
        runs_.resize(rankRunList.size());
        forEachRun([&](std::size_t r) {
            buildRun(document_, rankRunList[r], runs_[r], centres_, written_);
            progress_.add(rankRunList[r].last - rankRunList[r].first);
        });
        for (const RunMeshes& run : runs_) {
            report.skippedRanks.insert(report.skippedRanks.end(), run.skipped.begin(),
                                       run.skipped.end());
            meshCount_ += run.meshes.size();
        }
        report.boxesWritten = meshCount_;
    }

    // Gives each run its first mesh and byte, each of its face sizes an index list and each of
    // its normal sets one of the file's.
    void placeRuns() {
        std::vector<FaceSizes> known;
        NormalSetIndex knownNormals;
        std::size_t mesh = 0;
        for (RunMeshes& run : runs_) {
            run.firstMesh = mesh;
            run.firstByte = vertexBytes_;
            mesh += run.meshes.size();
            vertexBytes_ += run.binary.view().size();
            for (const FaceSizes& sizes : run.faceSizes) {
                const auto found = std::find(known.begin(), known.end(), sizes);
                run.indexLists.push_back(static_cast<std::size_t>(found - known.begin()));
                if (found == known.end()) {
                    known.push_back(sizes);
                    indexAccessors_.emplace_back(indexBytes_.size(), triangleIndices(sizes));
                    for (const std::uint16_t index : indexAccessors_.back().second) {
                        appendLittleEndian(indexBytes_, index);
                    }
                }
            }
            for (const NormalSet& normals : run.normalSets) {
                const auto [found, added] = knownNormals.try_emplace(normals, normalSets_.size());
                run.normalAccessors.push_back(found->second);
                if (added) {
                    addNormalSet(normals);
                }
            }
        }
    }

    void addNormalSet(const NormalSet& normals) {
        std::size_t cornerCount = 0;
        for (std::size_t f = 0; f < normals.sizes.count; ++f) {
            cornerCount += normals.sizes.sizes[f];
        }
        normalSets_.emplace_back(normalBytes_.size(), cornerCount);
        for (std::size_t f = 0; f < normals.sizes.count; ++f) {
            for (std::size_t i = 0; i < normals.sizes.sizes[f]; ++i) {
                appendFloats(normalBytes_, normals.normals[f]);
            }
        }
    }

    void addLines(ExportReport& report) {
        const auto lines = writtenIntersections(document_, written_);
        report.linesWritten = lines.size();
        if (lines.empty()) {
            return;
        }
        Bounds bounds;
        for (const auto& [first, second] : lines) {
            for (const std::size_t rank : {first, second}) {
                const std::array<float, 3> p = singlePrecision(placed(centres_[rank], UpAxis::Y));
                bounds.add(p);
                appendFloats(lineBytes_, p);
            }
        }
        lineAccessor_.resize(ACCESSOR_ROOM);
        lineAccessor_.resize(static_cast<std::size_t>(
            putPositionAccessor(lineAccessor_.data(), vertexBytes_, 2 * lines.size(), bounds) -
            lineAccessor_.data()));
        vertexBytes_ += lineBytes_.size();
    }

    void writeJson() {
        forEachRun([&](std::size_t r) {
            writeRunJson(document_, runs_[r], meshCount_, normalSets_.size());
            progress_.add(runs_[r].meshes.size() + runs_[r].skipped.size());
        });
        const bool withLines = !lineBytes_.empty();
        const std::size_t nodeCount = meshCount_ + (withLines ? 1 : 0);
        head_ = R"({"asset":{"version":"2.0","generator":"Quadrel"},"scene":0,)"
                R"("scenes":[{"nodes":[0]}],"nodes":[{"name":"boxes")";
        if (nodeCount > 0) {
            head_ += R"(,"children":[)";
            for (std::size_t node = 1; node <= nodeCount; ++node) {
                if (node > 1) {
                    head_ += ',';
                }
                appendNumber(head_, node);
            }
            head_ += ']';
        }
        head_ += '}';
        const std::string comma = meshCount_ > 0 ? "," : "";
        if (withLines) {
            linesNode_ = R"(,{"name":"intersections","mesh":)" + std::to_string(meshCount_) + "}";
            linesMesh_ = comma + R"({"name":"intersections","primitives":[{"attributes":)" +
                         R"({"POSITION":)" +
                         std::to_string(meshCount_ + normalSets_.size() + indexAccessors_.size()) +
                         R"(},"mode":1}]})";
        }
        // The normal sets follow the corners of every mesh and the lines.
        for (const auto& [offset, count] : normalSets_) {
            std::array<char, ACCESSOR_ROOM> text{};
            indexTexts_ += ',';
            indexTexts_.append(text.data(),
                               putNormalAccessor(text.data(), vertexBytes_ + offset, count));
        }
        vertexBytes_ += normalBytes_.size();
        for (const auto& [offset, indices] : indexAccessors_) {
            indexTexts_ += R"(,{"bufferView":1,"byteOffset":)";
            appendNumber(indexTexts_, offset);
            indexTexts_ += R"(,"componentType":5123,"count":)";
            appendNumber(indexTexts_, indices.size());
            indexTexts_ += R"(,"type":"SCALAR"})";
        }
        if (withLines) {
            indexTexts_ += ',' + lineAccessor_;
        }
        writeTail();
    }

    void writeTail() {
        tail_ = "]";
        std::string views;
        if (vertexBytes_ > 0) {
            views += R"({"buffer":0,"byteOffset":0,"byteLength":)" + std::to_string(vertexBytes_) +
                     R"(,"target":34962})";
        }
        if (!indexBytes_.empty()) {
            views += R"(,{"buffer":0,"byteOffset":)" + std::to_string(vertexBytes_) +
                     R"(,"byteLength":)" + std::to_string(indexBytes_.size()) +
                     R"(,"target":34963})";
        }
        if (!views.empty()) {
            tail_ += R"(,"bufferViews":[)" + views + R"(],"buffers":[{"byteLength":)" +
                     std::to_string(binaryLength()) + "}]";
        }
        tail_ += '}';
    }

    std::size_t binaryLength() const { return vertexBytes_ + indexBytes_.size(); }

    bool assemble(const ModelOutput& output) {
        const bool withMeshes = meshCount_ > 0 || !lineBytes_.empty();
        GlbPieces json;
        json.add(head_);
        for (const RunMeshes& run : runs_) {
            json.add(run.nodes.view());
        }
        json.add(linesNode_);
        if (withMeshes) {
            json.add(R"(],"meshes":[)");
            for (const RunMeshes& run : runs_) {
                json.add(run.meshTexts.view());
            }
            json.add(linesMesh_);
            json.add(R"(],"accessors":[)");
            for (const RunMeshes& run : runs_) {
                json.add(run.accessors.view());
            }
            // The first mesh's accessor leads; those that follow have a comma of their own.
            json.add(meshCount_ > 0 ? std::string_view(indexTexts_)
                                    : std::string_view(indexTexts_).substr(1));
        }
        json.add(tail_);
        const std::string jsonPadding(paddingTo4(json.length()), ' ');
        json.add(jsonPadding);

        GlbPieces binary;
        for (const RunMeshes& run : runs_) {
            binary.add(run.binary.view());
        }
        binary.add(lineBytes_);
        binary.add(normalBytes_);
        binary.add(indexBytes_);
        const std::string binaryPadding(paddingTo4(binary.length()), '\0');
        binary.add(binaryPadding);

        std::string header;
        appendLittleEndian(header, GLB_MAGIC);
        appendLittleEndian(header, GLB_VERSION);
        const std::size_t binaryChunk = binary.length() > 0 ? 8 + binary.length() : 0;
        appendLittleEndian(header,
                           static_cast<std::uint32_t>(12 + 8 + json.length() + binaryChunk));
        header += chunkHeader(json.length(), JSON_CHUNK);
        if (!output(header) || !json.writeTo(output)) {
            return false;
        }
        return binaryChunk == 0 ||
               (output(chunkHeader(binary.length(), BIN_CHUNK)) && binary.writeTo(output));
    }

    template <typename Work> void forEachRun(const Work& work) {
        std::atomic<std::size_t> next{0};
        runInParallel(threadCountFor(document_.boxes.size()), [&](unsigned) {
            for (std::size_t r = next++; r < runs_.size() && !progress_.stopped(); r = next++) {
                work(r);
            }
        });
    }

    const BoxDocument& document_;
    const ExportOptions& options_;
    ModelWriteProgress progress_;
    std::vector<Vec3> centres_;
    std::vector<char> written_;
    std::vector<RunMeshes> runs_;
    std::size_t meshCount_ = 0;
    std::size_t vertexBytes_ = 0;
    // Each index list's byte offset in its buffer view, and its indices.
    std::vector<std::pair<std::size_t, std::vector<std::uint16_t>>> indexAccessors_;
    std::string indexBytes_;
    // Each normal set's byte offset among them, and its number of corners.
    std::vector<std::pair<std::size_t, std::size_t>> normalSets_;
    std::string normalBytes_;
    std::string lineBytes_;
    std::string lineAccessor_;
    std::string head_;
    std::string linesNode_;
    std::string linesMesh_;
    std::string indexTexts_;
    std::string tail_;
};

} // namespace

bool writeGlbModel(const BoxDocument& document, const ExportOptions& options, ExportReport& report,
                   const ModelOutput& output, const WorkProgress& progress) {
    report = ExportReport{};
    GlbWriter writer(document, options, progress);
    return writer.write(report, output);
}
