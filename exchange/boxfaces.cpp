#include "boxfaces.h"

#include "orlclass.h"
#include "rankpair.h"

#include <algorithm>

namespace {

// Large enough that each thread takes many runs, so that a slow one holds the others little;
// small enough that a run's text stays in the processor's caches.
constexpr std::size_t BOXES_PER_RUN = 1024;

} // namespace

char* putMeshName(char* at, std::string_view id, std::size_t rank) {
    at = TextBuffer::put(at, "box_");
    for (const char c : id) {
        *at++ = static_cast<unsigned char>(c) < 0x20 || c == '\x7f' ? '_' : c;
    }
    at = TextBuffer::put(at, "_r");
    return TextBuffer::putNumber(at, rank);
}

void appendMeshName(std::string& text, std::string_view id, std::size_t rank) {
    std::string name(meshNameRoom(id), '\0');
    name.resize(static_cast<std::size_t>(putMeshName(name.data(), id, rank) - name.data()));
    text += name;
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
