// Feeds arbitrary bytes to the BOX reader, then checks what any read must satisfy: the IDs line
// up with the boxes, the count agrees with them, the result does not depend on how the bytes
// are chunked, and writing what was read then reading it again gives the same document. The
// geometry then builds the solids, checks them and computes their intersections, which must
// give a sound report whatever was read.

#include "boxreader.h"
#include "boxtestsupport.h"
#include "leadinginteger.h"
#include "orlclass.h"
#include "problems.h"
#include "scene.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Check failed: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> allTexts(const BoxList& boxes) {
    std::vector<std::string> texts;
    for (const auto& box : boxes) {
        texts.push_back(box->id);
        texts.push_back(box->maxRadius);
        for (std::size_t axis = 0; axis < Box::centerTextCount; ++axis) {
            texts.push_back(box->centerText(axis));
        }
        for (std::size_t k = 0; k < Box::planeTextCount; ++k) {
            texts.push_back(box->planeText(k));
        }
    }
    return texts;
}

std::vector<std::string> allTexts(const TextList& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

// The writer puts "0" for an empty count, the only empty text a read can produce.
std::string countAsWritten(const std::string& countText) {
    return countText.empty() ? "0" : countText;
}

void checkGeometry(const BoxDocument& document, std::string_view bytes) {
    TextSource countSource(bytes);
    const std::string countToken = readCountToken(countSource);
    const DocumentReport report = inspectDocument(document, countToken);
    const std::size_t boxCount = document.boxes.size();
    for (const Problem& problem : report.problems) {
        require(!kindIdentifier(problem.kind).empty() && !problem.message.empty(),
                "every problem is described");
        require(!problem.rank || *problem.rank < boxCount, "problems name existing boxes");
        require(!problem.plane || (*problem.plane >= 0 && *problem.plane < 6),
                "problems name existing planes");
    }
    const auto& pairs = report.intersections.pairs;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        require(pairs[i].first < pairs[i].second && pairs[i].second < boxCount,
                "computed pairs are ranks in increasing order");
        require(i == 0 || pairs[i - 1] < pairs[i], "computed pairs are sorted, each once");
    }
    const std::vector<Solid> solids = buildSolids(document);
    for (const Solid& solid : solids) {
        require(solid.volume >= 0 && !std::isnan(solid.volume), "volumes are numbers");
        require(!solid.closed() || solid.volume > 0, "a closed solid has a volume");
    }
    require(checkDocument(document, solids, countToken).size() == report.problems.size(),
            "both ways of checking agree");
    if (report.intersections.complete) {
        require(computeIntersections(solids) == pairs, "both ways of computing agree");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    BoxDocument document;
    document.readText(bytes);

    require(document.boxIds.size() == document.boxes.size(), "one ID per box");
    auto id = document.boxIds.begin();
    for (const auto& box : document.boxes) {
        require(*id++ == box->id, "IDs in the order of the boxes");
        require(!box->id.empty(), "no empty ID");
    }
    require(parseLeadingInteger(document.countText) ==
                static_cast<long long>(document.boxes.size()),
            "count agrees with the boxes");

    const std::size_t chunkSize = size == 0 ? 1 : 1 + data[0] % 16;
    ChunkedSource source(bytes, chunkSize);
    const BoxFileContent chunked = readBoxContent(source);
    require(allTexts(chunked.boxes) == allTexts(document.boxes), "same boxes in chunks");
    require(allTexts(chunked.intersections) == allTexts(document.intersections),
            "same intersections in chunks");

    const std::string written = document.writeText();
    BoxDocument reread;
    reread.readText(written);
    require(reread.countText == countAsWritten(document.countText), "count survives a save");
    require(allTexts(reread.boxIds) == allTexts(document.boxIds), "IDs survive a save");
    require(allTexts(reread.boxes) == allTexts(document.boxes), "boxes survive a save");
    require(allTexts(reread.intersections) == allTexts(document.intersections),
            "intersections survive a save");
    require(reread.writeText() == written, "a second save writes the same bytes");

    checkGeometry(document, bytes);

    // The renumbering must cope with whatever a file put in the intersections, and a box taken
    // out must come back with every line as the file wrote it.
    if (!document.intersections.empty()) {
        const std::vector<std::string> lines = allTexts(document.intersections);
        const auto rank = static_cast<long long>(size % 5);
        BoxDocument::RankRemoval removal = document.removeRank(rank);
        document.restoreRank(rank, std::move(removal));
        require(allTexts(document.intersections) == lines, "a rank taken out comes back");
        document.removeIntersectionsOfRank(document.boxIds.empty() ? "0" : document.boxIds.last());
        document.shiftRanksAbove(-1, static_cast<long long>(size % 7));
    }
    return 0;
}
