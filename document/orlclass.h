#pragma once

#include "box.h"
#include "progress.h"
#include "rankrenumbering.h"
#include "textlist.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

struct BoxFileContent;

// The two fixed-point text formats: the value alone cannot tell them apart (c000 and 0000c000
// hold the same bits), so the caller says which one its field uses.
enum class HexFormat { FourDigits, EightDigits };

// The ordered boxes of a document, which it owns. A box stays where it is in memory while the list
// changes; positions do not, except the one remove returns.
class BoxList {
public:
    using Position = std::deque<std::unique_ptr<Box>>::iterator;
    using ConstPosition = std::deque<std::unique_ptr<Box>>::const_iterator;

    Box& append(std::unique_ptr<Box> box);
    // Precondition: the list is not empty.
    Box& last() const;
    Position begin() { return boxes_.begin(); }
    Position end() { return boxes_.end(); }
    ConstPosition begin() const { return boxes_.begin(); }
    ConstPosition end() const { return boxes_.end(); }
    std::size_t size() const { return boxes_.size(); }
    bool empty() const { return boxes_.empty(); }
    // Unlinks and releases the box at the position; returns the position of the box that followed.
    Position remove(Position position);
    // Unlinks and releases the box at the zero-based index. False, and nothing changes, past the
    // end.
    bool removeAt(std::size_t index);
    void clear();
    // Moves every box of the other list to the end of this one, leaving the other empty.
    void appendAll(BoxList& other);
    // Precondition for the three: index below the size (for insert: at most the size).
    Box& at(std::size_t index) const;
    // Unlinks the box at the index and hands it over instead of releasing it.
    std::unique_ptr<Box> take(std::size_t index);
    void insert(std::size_t index, std::unique_ptr<Box> box);

private:
    // One pointer a box, in blocks, rather than a node of three: 24 bytes less for every box.
    std::deque<std::unique_ptr<Box>> boxes_;
};

// One BOX file in memory: its count text, its path, its boxes with their IDs, and the
// intersections, each the text of two ranks ("0 1"). Every value stays the file's own text.
class BoxDocument {
public:
    BoxDocument() = default;
    virtual ~BoxDocument() = default;
    BoxDocument(const BoxDocument&) = delete;
    BoxDocument& operator=(const BoxDocument&) = delete;

    void setPath(std::string newPath);
    std::string getPath() const;
    void setCountText(std::string text);

    // Both leave the document exactly as it was and return false when the file cannot be read.
    // loadCountText stores the file's first token as it is; readFile appends the file's boxes and
    // intersections, then rewrites countText as the number of boxes held if it reads as another
    // number, so that a malformed or twice-read file still saves with a matching count.
    [[nodiscard]] bool loadCountText(const std::string& filePath);
    [[nodiscard]] bool readFile(const std::string& filePath);
    // Reads the file once and, only if all of it could be read, takes it as the whole document:
    // the lists hold its content alone, path becomes filePath and countText its count token as
    // written (corrected as readFile corrects it). Returns false, changing nothing, otherwise.
    [[nodiscard]] bool loadFile(const std::string& filePath);
    // The same; when the count had to be corrected, writtenCount receives the token as the file
    // wrote it, moved rather than copied: a malformed file's one token may be most of the file.
    [[nodiscard]] bool loadFile(const std::string& filePath,
                                std::optional<std::string>& writtenCount);
    // The same, telling progress as the file is read. When progress asks to stop, the document is
    // left as it was and nothing of the file is kept.
    [[nodiscard]] LoadOutcome loadFile(const std::string& filePath, const ReadProgress& progress);
    // Parses the bytes of a BOX file, appending to the lists as readFile does.
    void readText(std::string_view bytes);

    // Writes the document to path, replacing the file only once everything is on disk.
    // Returns false, and changes no file, when path is empty, when a text would not read back
    // as the same token (see readsBackUnchanged), or when the file cannot be written.
    [[nodiscard]] bool writeFile() const;
    // The same, saying on failure why: the system's error, or std::errc::invalid_argument when
    // there is no path or a text would not read back as the same token.
    [[nodiscard]] bool writeFile(std::error_code& reason) const;
    // The same, telling progress as the bytes go to the file.
    [[nodiscard]] bool writeFile(std::error_code& reason, const WriteProgress& progress) const;
    // The bytes that writeFile puts in the file.
    std::string writeText() const;

    void clear();
    Box& appendBox();
    Box* findBoxById(std::string_view id);
    const Box* findBoxById(std::string_view id) const;
    // The rank of the first box whose id equals the text.
    std::optional<std::size_t> findRankById(std::string_view id) const;
    // Unlinks the box of the rank and the ID at the same position, even where IDs repeat.
    // Intersections and the count are the caller's.
    void removeBoxAt(std::size_t rank);
    // The same, handing over the box and its ID text so that insertBoxAt can put them back.
    // Precondition: rank below the number of boxes.
    std::pair<std::unique_ptr<Box>, std::string> takeBoxAt(std::size_t rank);
    // Links the box and its ID text in at the rank. Precondition: rank at most the number of boxes.
    void insertBoxAt(std::size_t rank, std::unique_ptr<Box> box, std::string id);
    void removeIntersection(std::string_view text);
    // Both read intersections as parseRankPair does: a text that is not a pair of ranks names no
    // box, so it is neither removed nor renumbered. A rankText that is no rank removes nothing.
    void removeIntersectionsOfRank(std::string_view rankText);
    // Rewrites every pair in plain decimal ("01 2" becomes "1 2"), each rank above the threshold
    // moved by delta.
    void shiftRanksAbove(long long delta, long long threshold);

    using RankRemoval = ::RankRemoval;
    // removeIntersectionsOfRank then shiftRanksAbove(-1, rank), in one walk of the lines.
    RankRemoval removeRank(long long rank);
    // Takes back removeRank of the same rank, given what it handed back, byte for byte: the
    // document must be as removeRank left it.
    void restoreRank(long long rank, RankRemoval removal);

    // Fixed-point conversions between decimal text and the file's hexadecimal text.
    std::string hexToDecimal(std::string hexText, HexFormat format) const;
    std::string decimalToHex4(std::string decimalText) const;
    std::string decimalToHex8(std::string decimalText) const;

    std::string countText;
    std::string path;
    TextList boxIds;
    BoxList boxes;
    TextList intersections;

private:
    // Appends what a file held and makes the count agree with the boxes, handing the token as
    // written to writtenCount, if given, when it had to be corrected.
    void adopt(BoxFileContent& content, std::optional<std::string>* writtenCount = nullptr);
};
