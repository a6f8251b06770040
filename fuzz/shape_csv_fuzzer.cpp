// Feeds arbitrary bytes to the reader of shapes in CSV, then checks what any read must satisfy:
// every error has a place and a message; every box written from the lines read has a shape and
// passes the checks with nothing to say but a radius its line gave too small; and every one of
// them comes back as a line of the shapes written from the file.

#include "orlclass.h"
#include "problems.h"
#include "shapecsv.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

// More lines than this only make each run slower, not the search for faults better.
constexpr std::size_t MOST_ROWS = 64;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Check failed: %s\n", what);
        std::abort();
    }
}

std::size_t lineCount(std::string_view bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ShapeCsv csv = readShapeCsv(bytes);
    for (const CsvError& error : csv.errors) {
        require(error.line >= 1 && error.line <= lineCount(bytes), "an error names a line");
        require(error.column >= 1 && error.column <= size + 1, "an error names a column");
        require(!error.message.empty(), "an error says what is wrong");
    }
    if (!csv.errors.empty() || csv.rows.empty() || csv.rows.size() > MOST_ROWS) {
        return 0;
    }
    BoxDocument document;
    if (!documentOfRows(csv.rows, document)) {
        return 0;
    }
    // The checks of the boxes themselves: how a scene is played is the lines' own affair.
    for (const Problem& problem : inspectDocument(document, std::nullopt, std::nullopt).problems) {
        require(problem.kind == ProblemKind::RadiusTooSmall, "every box written passes the checks");
    }
    const ShapeListing listing = shapeCsvOf(document);
    require(listing.unlisted.empty(), "every box written has a shape");
    require(lineCount(listing.csv) == csv.rows.size() + 2, "one line a box, after the header");
    return 0;
}
