#pragma once

#include "boxreader.h"
#include "orlclass.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Helpers shared by the document tests: filling boxes, and comparing documents as plain data.

// Appends a box and its ID as the editor's add command does.
inline Box& addBox(BoxDocument& document, const BoxTexts& texts) {
    Box& box = document.appendBox();
    assignTexts(box, texts);
    document.boxIds.append(texts[0]);
    return box;
}

// Everything a document holds, as values that compare and print.
struct DocumentSnapshot {
    std::string countText;
    std::string path;
    std::vector<std::string> boxIds;
    std::vector<BoxTexts> boxes;
    std::vector<std::string> intersections;

    bool operator==(const DocumentSnapshot&) const = default;
};

inline DocumentSnapshot snapshot(const BoxDocument& document) {
    DocumentSnapshot result{document.countText, document.path, {}, {}, {}};
    result.boxIds.assign(document.boxIds.begin(), document.boxIds.end());
    for (const auto& box : document.boxes) {
        result.boxes.push_back(textsOf(*box));
    }
    result.intersections.assign(document.intersections.begin(), document.intersections.end());
    return result;
}

inline std::vector<std::string> textsIn(const TextList& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

// Hands the bytes on a few at a time, so that tokens and CR LF pairs straddle chunks.
class ChunkedSource final : public ByteSource {
public:
    ChunkedSource(std::string_view text, std::size_t chunkSize)
        : text_(text), chunkSize_(chunkSize) {}

    std::string_view nextChunk() override {
        const std::string_view chunk = text_.substr(0, std::min(chunkSize_, text_.size()));
        text_.remove_prefix(chunk.size());
        return chunk;
    }

private:
    std::string_view text_;
    std::size_t chunkSize_;
};

// The cube of side 2 around the origin, then the same stretched to ±2 along Z.
inline BoxTexts cubeBox() {
    return {"1",        "2",    "00000000", "00000000", "00000000", "4000", "0000", "0000",
            "00004000", "0000", "4000",     "0000",     "00004000", "0000", "0000", "4000",
            "00004000", "0000", "c000",     "0000",     "00004000", "0000", "0000", "c000",
            "00004000", "c000", "0000",     "0000",     "00004000"};
}

inline BoxTexts stretchedBox() {
    BoxTexts texts = cubeBox();
    texts[0] = "2";
    texts[1] = "3";
    texts[boxslot::plane(11)] = "00008000";
    texts[boxslot::plane(19)] = "00008000";
    return texts;
}

// The two-box file, exactly as it is written on disk.
inline const std::string workedExampleBytes = "2\r\n"
                                              " 1  2\r\n"
                                              "  00000000 00000000 00000000\r\n"
                                              "  4000 0000 0000 00004000\r\n"
                                              "  0000 4000 0000 00004000\r\n"
                                              "  0000 0000 4000 00004000\r\n"
                                              "  0000 c000 0000 00004000\r\n"
                                              "  0000 0000 c000 00004000\r\n"
                                              "  c000 0000 0000 00004000\r\n"
                                              " 2  3\r\n"
                                              "  00000000 00000000 00000000\r\n"
                                              "  4000 0000 0000 00004000\r\n"
                                              "  0000 4000 0000 00004000\r\n"
                                              "  0000 0000 4000 00008000\r\n"
                                              "  0000 c000 0000 00004000\r\n"
                                              "  0000 0000 c000 00008000\r\n"
                                              "  c000 0000 0000 00004000\r\n"
                                              "\r\n"
                                              "0 1\r\n"
                                              "-1 -1\r\n";

inline DocumentSnapshot workedExampleSnapshot() {
    return {"2", "", {"1", "2"}, {cubeBox(), stretchedBox()}, {"0 1"}};
}
