#include "glbwriter.h"

#include "boxmesh.h"
#include "filetext.h"
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
constexpr std::size_t PARALLELEPIPED_CORNERS = 8;
constexpr std::size_t PARALLELEPIPED_FACE_CORNERS = 24;

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

// What the JSON says of a mesh, kept small: there is one per box.
struct MeshEntry {
    std::size_t rank = 0;
    // Its corners, and the corners of all its faces together, each face's its own.
    std::uint32_t faceCornerCount = 0;
    std::uint8_t cornerCount = 0;
    // The length of its text among the run's bounds.
    std::uint8_t boundsLength = 0;
    // Into the run's own lists of face sizes and of normal sets.
    std::uint8_t sizesIndex = 0;
    std::uint32_t normalsIndex = 0;
};

// What one run of boxes gives: first its meshes, their corners in single precision, the corners
// of their faces as indices, and what names and describes them; then, once every run's place in
// the file is known, the length of its texts in the JSON. Its texts and the corners of each face
// are made again only as the file is written: held for the whole model, they would take as much
// memory as the file.
struct RunMeshes {
    TextBuffer corners;
    std::vector<std::uint8_t> faceCorners;
    // The length of the corners of its faces in the binary chunk.
    std::size_t binaryBytes = 0;
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
    // The bounds of each mesh's corners as its accessor gives them, `[x,y,z],"max":[x,y,z]`.
    TextBuffer boundsTexts;
    // The length of its nodes', meshes' and accessors' texts in the JSON.
    std::array<std::size_t, 3> jsonLengths{};
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

char* putVector(char* at, const std::array<float, 3>& v, NumberTexts& numbers) {
    at = TextBuffer::put(at, '[');
    at = numbers.put(at, v[0]);
    at = TextBuffer::put(at, ',');
    at = numbers.put(at, v[1]);
    at = TextBuffer::put(at, ',');
    at = numbers.put(at, v[2]);
    return TextBuffer::put(at, ']');
}

// `[x,y,z],"max":[x,y,z]`, what follows "min": in an accessor of positions.
constexpr std::size_t BOUNDS_ROOM = 16 + 6 * (NUMBER_ROOM + 1);
char* putBounds(char* at, const Bounds& bounds, NumberTexts& numbers) {
    at = putVector(at, bounds.low, numbers);
    at = TextBuffer::put(at, R"(,"max":)");
    return putVector(at, bounds.high, numbers);
}

// Builds the meshes of a run and keeps their corners, the corners of their faces and the normal
// sets they need.
void buildRun(const BoxDocument& document, const RankRun& run, RunMeshes& out,
              std::vector<Vec3>& centres, std::vector<char>& written) {
    thread_local BoxMesh mesh;
    // Kept apart from the stack: its number texts take some twenty-five kilobytes.
    thread_local auto numbers = std::make_unique<NumberTexts>();
    NormalSetIndex normalSets;
    // Room for parallelepipeds, asked at once: a buffer grown step by step is copied and its
    // fresh pages faulted in again at each step.
    out.corners.reserve((run.last - run.first) * PARALLELEPIPED_CORNERS * FLOAT3_BYTES);
    out.faceCorners.reserve((run.last - run.first) * PARALLELEPIPED_FACE_CORNERS);
    out.boundsTexts.reserve((run.last - run.first) * BOUNDS_ROOM);
    for (std::size_t rank = run.first; rank < run.last; ++rank) {
        const BoxValues values = decodeBoxValues(document.boxes.at(rank));
        centres[rank] = values.centre;
        if (!mesh.build(values)) {
            out.skipped.push_back(rank);
            continue;
        }
        written[rank] = 1;
        MeshEntry entry;
        entry.rank = rank;
        entry.cornerCount = static_cast<std::uint8_t>(mesh.corners().size());
        entry.faceCornerCount = static_cast<std::uint32_t>(mesh.faceCornerCount());
        std::array<std::array<float, 3>, BoxMesh::MOST_CORNERS> placedCorners{};
        char* at = out.corners.room(mesh.corners().size() * FLOAT3_BYTES);
        for (std::size_t c = 0; c < mesh.corners().size(); ++c) {
            placedCorners[c] = singlePrecision(placed(mesh.corners()[c], UpAxis::Y));
            at = putFloats(at, placedCorners[c]);
        }
        out.corners.end(at);
        FaceSizes sizes;
        Bounds cornerBounds;
        for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
            const std::span<const std::uint8_t> corners = mesh.face(f);
            sizes.sizes[sizes.count++] = static_cast<std::uint8_t>(corners.size());
            for (const std::uint8_t corner : corners) {
                cornerBounds.add(placedCorners[corner]);
            }
            out.faceCorners.insert(out.faceCorners.end(), corners.begin(), corners.end());
        }
        out.binaryBytes += entry.faceCornerCount * FLOAT3_BYTES;
        char* bounds = out.boundsTexts.room(BOUNDS_ROOM);
        const char* boundsEnd = putBounds(bounds, cornerBounds, *numbers);
        entry.boundsLength = static_cast<std::uint8_t>(boundsEnd - bounds);
        out.boundsTexts.end(boundsEnd);
        NormalSet normals;
        normals.sizes = sizes;
        for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
            normals.normals[f] = singlePrecision(placed(mesh.normal(f), UpAxis::Y));
        }
        const auto [found, added] = normalSets.try_emplace(normals, out.normalSets.size());
        if (added) {
            out.normalSets.push_back(normals);
        }
        entry.normalsIndex = static_cast<std::uint32_t>(found->second);
        entry.sizesIndex = sizesIndexOf(out.faceSizes, sizes);
        out.meshes.push_back(entry);
    }
}

// The corners of each face of the run's meshes in turn, as the binary chunk holds them.
void layOutRun(const RunMeshes& run, TextBuffer& binary) {
    binary.clear();
    char* at = binary.room(run.binaryBytes);
    const char* corners = run.corners.view().data();
    const std::uint8_t* faceCorner = run.faceCorners.data();
    for (const MeshEntry& mesh : run.meshes) {
        for (std::uint32_t i = 0; i < mesh.faceCornerCount; ++i) {
            std::memcpy(at, corners + std::size_t{*faceCorner++} * FLOAT3_BYTES, FLOAT3_BYTES);
            at += FLOAT3_BYTES;
        }
        corners += std::size_t{mesh.cornerCount} * FLOAT3_BYTES;
    }
    binary.end(at);
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

// The ID as a name in the JSON, which is UTF-8: an ID that is not valid UTF-8 (a file's bytes
// may be Windows-1252) is read as the editor's lists read it, into decoded, so that the name
// reads as the list shows the ID; a valid one is kept as it is.
std::string_view nameText(std::string_view id, std::string& decoded) {
    if (isValidUtf8(id)) {
        return id;
    }
    decoded = fileTextAsUtf8(id);
    return decoded;
}

// A JSON string of a mesh's name: what JSON cannot hold as it is, escaped. Room:
// quotedNameRoom(id).
char* putQuotedName(char* at, std::string_view id, std::size_t rank) {
    std::string decoded;
    const std::string_view text = nameText(id, decoded);
    at = TextBuffer::put(at, '"');
    if (text.find_first_of("\"\\") == std::string_view::npos) {
        at = putMeshName(at, text, rank);
    } else {
        std::string name;
        appendMeshName(name, text, rank);
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
// The most a mesh's node, mesh or accessor takes beside the name.
constexpr std::size_t MESH_ROOM = std::max<std::size_t>(ACCESSOR_ROOM, 96 + 3 * NUMBER_ROOM);

// Each byte decoded takes at most three of UTF-8, each of those at most two once escaped.
std::size_t quotedNameRoom(std::string_view id) {
    return 2 * (meshNameRoom(id) + 2 * id.size()) + 2;
}

std::size_t digitCount(std::size_t value) {
    std::size_t digits = 1;
    for (; value >= 10; value /= 10) {
        ++digits;
    }
    return digits;
}

// The length of putQuotedName's text.
std::size_t quotedNameLength(std::string_view id, std::size_t rank) {
    std::string decoded;
    const std::string_view text = nameText(id, decoded);
    const auto escaped = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c == '"' || c == '\\'; }));
    return std::string_view(R"("box_)").size() + text.size() + escaped +
           std::string_view(R"(_r")").size() + digitCount(rank);
}

// JSON text written at a place with room enough.
class JsonWriting {
public:
    explicit JsonWriting(char* at) : at_(at) {}
    void put(std::string_view bytes) { at_ = TextBuffer::put(at_, bytes); }
    void putNumber(std::size_t value) { at_ = TextBuffer::putNumber(at_, value); }
    void putName(std::string_view id, std::size_t rank) { at_ = putQuotedName(at_, id, rank); }
    char* end() const { return at_; }

private:
    char* at_;
};

// The length of the text the same calls would write, counted without writing it.
class JsonMeasuring {
public:
    void put(std::string_view bytes) { length_ += bytes.size(); }
    void putNumber(std::size_t value) { length_ += digitCount(value); }
    void putName(std::string_view id, std::size_t rank) { length_ += quotedNameLength(id, rank); }
    std::size_t length() const { return length_; }

private:
    std::size_t length_ = 0;
};

// The accessor of the positions of a run of corners, with their bounds as glTF asks.
template <typename Json>
void putPositionAccessor(Json& json, std::size_t offset, std::size_t count,
                         std::string_view boundsText) {
    json.put(R"({"bufferView":0,"byteOffset":)");
    json.putNumber(offset);
    json.put(R"(,"componentType":5126,"count":)");
    json.putNumber(count);
    json.put(R"(,"type":"VEC3","min":)");
    json.put(boundsText);
    json.put("}");
}

char* putNormalAccessor(char* at, std::size_t offset, std::size_t count) {
    at = TextBuffer::put(at, R"({"bufferView":0,"byteOffset":)");
    at = TextBuffer::putNumber(at, offset);
    at = TextBuffer::put(at, R"(,"componentType":5126,"count":)");
    at = TextBuffer::putNumber(at, count);
    return TextBuffer::put(at, R"(,"type":"VEC3"})");
}

// The parts of the JSON each run has a share of, in the order of the file; the corners of the
// faces of its meshes in the binary chunk are the last of its shares.
enum class JsonSection : std::size_t { Nodes, Meshes, Accessors };
constexpr std::size_t RUN_SHARES = 4;

// What the JSON says of one mesh, wherever it stands in the file.
struct MeshJson {
    std::size_t index = 0;
    std::string_view id;
    std::size_t rank = 0;
    std::size_t normalAccessor = 0;
    std::size_t indexAccessor = 0;
    std::size_t byteOffset = 0;
    std::size_t faceCornerCount = 0;
    std::string_view boundsText;
};

template <typename Json> void putMeshJson(Json& json, JsonSection section, const MeshJson& mesh) {
    const bool first = mesh.index == 0;
    switch (section) {
    case JsonSection::Nodes:
        // The root node comes before every box's.
        json.put(R"(,{"name":)");
        json.putName(mesh.id, mesh.rank);
        json.put(R"(,"mesh":)");
        json.putNumber(mesh.index);
        json.put("}");
        break;
    case JsonSection::Meshes:
        json.put(first ? R"({"name":)" : R"(,{"name":)");
        json.putName(mesh.id, mesh.rank);
        json.put(R"(,"primitives":[{"attributes":{"POSITION":)");
        json.putNumber(mesh.index);
        json.put(R"(,"NORMAL":)");
        json.putNumber(mesh.normalAccessor);
        json.put(R"(},"indices":)");
        json.putNumber(mesh.indexAccessor);
        json.put("}]}");
        break;
    case JsonSection::Accessors:
        if (!first) {
            json.put(",");
        }
        putPositionAccessor(json, mesh.byteOffset, mesh.faceCornerCount, mesh.boundsText);
        break;
    }
}

// The run's share of a part of the JSON, written at the end of text or, without it, measured.
// meshCount: the number of meshes of boxes in the file, whose positions' accessors come first,
// then the normal sets', then the index lists'.
std::size_t putRunSection(const BoxDocument& document, const RunMeshes& run, JsonSection section,
                          std::size_t meshCount, std::size_t normalSetCount, TextBuffer* text) {
    JsonMeasuring measured;
    MeshJson json;
    json.byteOffset = run.firstByte;
    const char* boundsText = run.boundsTexts.view().data();
    for (std::size_t i = 0; i < run.meshes.size(); ++i) {
        const MeshEntry& mesh = run.meshes[i];
        json.index = run.firstMesh + i;
        json.id = document.boxes.at(mesh.rank).id.view();
        json.rank = mesh.rank;
        json.normalAccessor = meshCount + run.normalAccessors[mesh.normalsIndex];
        json.indexAccessor = meshCount + normalSetCount + run.indexLists[mesh.sizesIndex];
        json.faceCornerCount = mesh.faceCornerCount;
        json.boundsText = std::string_view(boundsText, mesh.boundsLength);
        if (text == nullptr) {
            putMeshJson(measured, section, json);
        } else {
            JsonWriting writing(text->room(MESH_ROOM + quotedNameRoom(json.id)));
            putMeshJson(writing, section, json);
            text->end(writing.end());
        }
        json.byteOffset += mesh.faceCornerCount * FLOAT3_BYTES;
        boundsText += mesh.boundsLength;
    }
    return measured.length();
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
            vertexBytes_ += run.binaryBytes;
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
        NumberTexts numbers;
        std::array<char, BOUNDS_ROOM> boundsText{};
        const std::string_view boundsView(
            boundsText.data(),
            static_cast<std::size_t>(putBounds(boundsText.data(), bounds, numbers) -
                                     boundsText.data()));
        lineAccessor_.resize(ACCESSOR_ROOM);
        JsonWriting accessor(lineAccessor_.data());
        putPositionAccessor(accessor, vertexBytes_, 2 * lines.size(), boundsView);
        lineAccessor_.resize(static_cast<std::size_t>(accessor.end() - lineAccessor_.data()));
        vertexBytes_ += lineBytes_.size();
    }

    // Measures each run's share of the JSON, formatted apart on each thread and let go: the
    // file states the JSON's length before it, and the whole text would take as much memory as
    // the model.
    void writeJson() {
        forEachRun([&](std::size_t r) {
            for (const JsonSection section :
                 {JsonSection::Nodes, JsonSection::Meshes, JsonSection::Accessors}) {
                runs_[r].jsonLengths[static_cast<std::size_t>(section)] = putRunSection(
                    document_, runs_[r], section, meshCount_, normalSets_.size(), nullptr);
            }
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

    // Writes the file in order: the pieces of the JSON and of the binary chunk that are the
    // file's own, and between them the runs' shares, made on the threads as they are written.
    bool assemble(const ModelOutput& output) {
        const bool withMeshes = meshCount_ > 0 || !lineBytes_.empty();
        // The file's own pieces before each share of the runs, then those after the last.
        std::array<GlbPieces, RUN_SHARES + 1> before;
        before[0].add(head_);
        before[1].add(linesNode_);
        if (withMeshes) {
            before[1].add(R"(],"meshes":[)");
            before[2].add(linesMesh_);
            before[2].add(R"(],"accessors":[)");
            // The first mesh's accessor leads; those that follow have a comma of their own.
            before[3].add(meshCount_ > 0 ? std::string_view(indexTexts_)
                                         : std::string_view(indexTexts_).substr(1));
        }
        before[3].add(tail_);
        std::size_t jsonLength = 0;
        for (std::size_t share = 0; share < RUN_SHARES; ++share) {
            jsonLength += before[share].length();
        }
        for (const RunMeshes& run : runs_) {
            for (const std::size_t length : run.jsonLengths) {
                jsonLength += length;
            }
        }
        const std::string jsonPadding(paddingTo4(jsonLength), ' ');
        before[3].add(jsonPadding);
        jsonLength += jsonPadding.size();

        // The faces' corners of every mesh lead the binary chunk.
        std::size_t faceCornerBytes = 0;
        for (const RunMeshes& run : runs_) {
            faceCornerBytes += run.binaryBytes;
        }
        GlbPieces& after = before[RUN_SHARES];
        after.add(lineBytes_);
        after.add(normalBytes_);
        after.add(indexBytes_);
        const std::string binaryPadding(paddingTo4(faceCornerBytes + after.length()), '\0');
        after.add(binaryPadding);
        const std::size_t binaryLength = faceCornerBytes + after.length();
        const std::size_t binaryChunk = binaryLength > 0 ? 8 + binaryLength : 0;
        const std::string binaryHeader =
            binaryChunk > 0 ? chunkHeader(binaryLength, BIN_CHUNK) : std::string();
        before[3].add(binaryHeader);
        if (binaryChunk == 0) {
            after = GlbPieces();
        }

        std::string header;
        appendLittleEndian(header, GLB_MAGIC);
        appendLittleEndian(header, GLB_VERSION);
        appendLittleEndian(header, static_cast<std::uint32_t>(12 + 8 + jsonLength + binaryChunk));
        header += chunkHeader(jsonLength, JSON_CHUNK);
        bool accepted = output(header);
        const std::size_t runCount = runs_.size();
        if (runCount == 0) {
            for (std::size_t share = 0; share < RUN_SHARES && accepted; ++share) {
                accepted = before[share].writeTo(output);
            }
        } else if (accepted) {
            const unsigned threadCount = threadCountFor(document_.boxes.size());
            const std::size_t ahead = 2 * std::size_t{threadCount};
            std::vector<TextBuffer> slots(ahead);
            // Piece p is the share p / runCount of the run p % runCount.
            runInOrder(
                threadCount, RUN_SHARES * runCount, ahead,
                [&](std::size_t piece) {
                    if (progress_.stopped()) {
                        return;
                    }
                    const RunMeshes& run = runs_[piece % runCount];
                    const std::size_t share = piece / runCount;
                    if (share == RUN_SHARES - 1) {
                        layOutRun(run, slots[piece % ahead]);
                    } else {
                        TextBuffer& text = slots[piece % ahead];
                        text.clear();
                        putRunSection(document_, run, static_cast<JsonSection>(share), meshCount_,
                                      normalSets_.size(), &text);
                    }
                },
                [&](std::size_t piece) {
                    if (piece % runCount == 0) {
                        accepted = accepted && before[piece / runCount].writeTo(output);
                    }
                    accepted = accepted && output(slots[piece % ahead].view());
                    // A run is dealt with once its faces' corners, its last share, are written.
                    if (piece / runCount == RUN_SHARES - 1) {
                        const RunMeshes& run = runs_[piece % runCount];
                        accepted =
                            accepted && progress_.add(run.meshes.size() + run.skipped.size());
                    }
                });
        }
        return accepted && after.writeTo(output);
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
