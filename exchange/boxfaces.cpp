#include "boxfaces.h"

#include "orlclass.h"
#include "rankpair.h"

#include <algorithm>

namespace {

// Large enough that each thread takes many runs, so that a slow one holds the others little;
// small enough that a run's text stays in the processor's caches.
constexpr std::size_t BOXES_PER_RUN = 1024;

bool sameCorners(const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) {
    return a.size() == b.size() && std::is_permutation(a.begin(), a.end(), b.begin());
}

} // namespace

FacePlanes distinctFaces(const Solid& solid) {
    FacePlanes faces;
    for (std::size_t p = 0; p < solid.faces.size(); ++p) {
        const std::vector<std::size_t>& corners = solid.faces[p];
        if (corners.size() < 3) {
            continue;
        }
        const auto seen = faces.planes.begin() + static_cast<std::ptrdiff_t>(faces.count);
        if (std::none_of(faces.planes.begin(), seen,
                         [&](std::size_t q) { return sameCorners(solid.faces[q], corners); })) {
            faces.planes[faces.count++] = p;
        }
    }
    return faces;
}

Vec3 unitNormal(const PlaneValues& plane) {
    return plane.normal * (1 / length(plane.normal));
}

void appendMeshName(std::string& text, std::string_view id, std::size_t rank) {
    text += "box_";
    const std::size_t start = text.size();
    text += id;
    std::replace_if(
        text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; }, '_');
    text += "_r";
    appendNumber(text, rank);
}

std::vector<RankRun> rankRuns(std::size_t boxCount) {
    std::vector<RankRun> runs;
    for (std::size_t first = 0; first < boxCount; first += BOXES_PER_RUN) {
        runs.push_back({first, std::min(first + BOXES_PER_RUN, boxCount)});
    }
    return runs;
}

std::vector<std::pair<std::size_t, std::size_t>>
writtenIntersections(const BoxDocument& document, const std::vector<char>& written) {
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    const auto isWritten = [&](long long rank) {
        return rank >= 0 && static_cast<unsigned long long>(rank) < written.size() &&
               written[static_cast<std::size_t>(rank)] != 0;
    };
    for (const std::string_view text : document.intersections) {
        const std::optional<IntersectionRanks> pair = parseRankPair(text);
        if (pair && pair->first != pair->second && isWritten(pair->first) &&
            isWritten(pair->second)) {
            lines.emplace_back(static_cast<std::size_t>(pair->first),
                               static_cast<std::size_t>(pair->second));
        }
    }
    return lines;
}
