#include "orlclass.h"

#include "boxreader.h"
#include "boxwriter.h"
#include "filesource.h"
#include "leadinginteger.h"
#include "rankpair.h"
#include "safefile.h"

#include <array>
#include <cassert>
#include <iterator>
#include <optional>
#include <utility>

Box& BoxList::append(std::unique_ptr<Box> box) {
    assert(box != nullptr);
    return *boxes_.emplace_back(std::move(box));
}

Box& BoxList::last() const {
    assert(!boxes_.empty());
    return *boxes_.back();
}

BoxList::Position BoxList::remove(Position position) {
    return boxes_.erase(position);
}

bool BoxList::removeAt(std::size_t index) {
    if (index >= boxes_.size()) {
        return false;
    }
    boxes_.erase(std::next(boxes_.begin(), static_cast<std::ptrdiff_t>(index)));
    return true;
}

void BoxList::clear() {
    boxes_.clear();
}

void BoxList::appendAll(BoxList& other) {
    if (boxes_.empty()) {
        boxes_.swap(other.boxes_);
        return;
    }
    boxes_.insert(boxes_.end(), std::make_move_iterator(other.boxes_.begin()),
                  std::make_move_iterator(other.boxes_.end()));
    other.boxes_.clear();
}

Box& BoxList::at(std::size_t index) const {
    assert(index < boxes_.size());
    return *boxes_[index];
}

std::unique_ptr<Box> BoxList::take(std::size_t index) {
    assert(index < boxes_.size());
    const auto position = std::next(boxes_.begin(), static_cast<std::ptrdiff_t>(index));
    std::unique_ptr<Box> box = std::move(*position);
    boxes_.erase(position);
    return box;
}

void BoxList::insert(std::size_t index, std::unique_ptr<Box> box) {
    assert(index <= boxes_.size() && box != nullptr);
    boxes_.insert(std::next(boxes_.begin(), static_cast<std::ptrdiff_t>(index)), std::move(box));
}

namespace {

class FileSink final : public ByteSink {
public:
    FileSink(SafeFileWriter& writer, const WriteProgress& progress)
        : writer_(writer), progress_(progress) {}
    bool failed() const { return failed_; }

private:
    void drain(std::string_view bytes) override {
        if (failed_) {
            return;
        }
        if (!writer_.write(bytes)) {
            failed_ = true;
        } else if (progress_) {
            bytesWritten_ += bytes.size();
            progress_(bytesWritten_);
        }
    }

    SafeFileWriter& writer_;
    const WriteProgress& progress_;
    std::uint64_t bytesWritten_ = 0;
    bool failed_ = false;
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& text) : text_(text) {}

private:
    void drain(std::string_view bytes) override { text_ += bytes; }

    std::string& text_;
};

// Reads what the file holds into content, which keeps nothing unless the whole file was read.
LoadOutcome readWholeFile(const std::string& filePath, const ReadProgress& progress,
                          BoxFileContent& content) {
    InputFile file(filePath);
    if (!file.isOpen()) {
        return LoadOutcome::unreadable;
    }
    FileSource fileSource(file);
    ProgressSource source(fileSource, progress);
    content = readBoxContent(source);
    if (source.stopped() || source.failed()) {
        content = BoxFileContent();
        return source.stopped() ? LoadOutcome::stopped : LoadOutcome::unreadable;
    }
    return LoadOutcome::loaded;
}

// What the file holds, or nothing when it cannot be opened or read to its end.
std::optional<BoxFileContent> readWholeFile(const std::string& filePath) {
    BoxFileContent content;
    if (readWholeFile(filePath, ReadProgress(), content) != LoadOutcome::loaded) {
        return std::nullopt;
    }
    return content;
}

} // namespace

void BoxDocument::setPath(std::string newPath) {
    path = std::move(newPath);
}

std::string BoxDocument::getPath() const {
    return path;
}

void BoxDocument::setCountText(std::string text) {
    countText = std::move(text);
}

bool BoxDocument::loadCountText(const std::string& filePath) {
    InputFile file(filePath);
    if (!file.isOpen()) {
        return false;
    }
    FileSource source(file);
    std::string token = readCountToken(source);
    if (source.failed()) {
        return false;
    }
    countText = std::move(token);
    return true;
}

bool BoxDocument::readFile(const std::string& filePath) {
    std::optional<BoxFileContent> content = readWholeFile(filePath);
    if (!content) {
        return false;
    }
    adopt(*content);
    return true;
}

bool BoxDocument::loadFile(const std::string& filePath) {
    std::optional<std::string> writtenCount;
    return loadFile(filePath, writtenCount);
}

bool BoxDocument::loadFile(const std::string& filePath, std::optional<std::string>& writtenCount) {
    std::optional<BoxFileContent> content = readWholeFile(filePath);
    if (!content) {
        return false;
    }
    clear();
    setPath(filePath);
    adopt(*content, &writtenCount);
    return true;
}

LoadOutcome BoxDocument::loadFile(const std::string& filePath, const ReadProgress& progress) {
    BoxFileContent content;
    const LoadOutcome outcome = readWholeFile(filePath, progress, content);
    if (outcome == LoadOutcome::loaded) {
        clear();
        setPath(filePath);
        adopt(content);
    }
    return outcome;
}

void BoxDocument::readText(std::string_view bytes) {
    TextSource source(bytes);
    BoxFileContent content = readBoxContent(source);
    adopt(content);
}

void BoxDocument::adopt(BoxFileContent& content, std::optional<std::string>* writtenCount) {
    countText = std::move(content.countText);
    boxIds.appendAll(content.boxIds);
    boxes.appendAll(content.boxes);
    intersections.appendAll(content.intersections);
    // Only a malformed file, or a second read, leaves a count that disagrees with the boxes
    // held; correcting it here keeps every later save consistent.
    const long long count = parseLeadingInteger(countText);
    if (count < 0 || static_cast<unsigned long long>(count) != boxes.size()) {
        if (writtenCount != nullptr) {
            *writtenCount = std::move(countText);
        }
        countText = std::to_string(boxes.size());
    }
}

bool BoxDocument::writeFile() const {
    std::error_code reason;
    return writeFile(reason);
}

bool BoxDocument::writeFile(std::error_code& reason) const {
    return writeFile(reason, WriteProgress());
}

bool BoxDocument::writeFile(std::error_code& reason, const WriteProgress& progress) const {
    reason.clear();
    // A text that would read back as another token would shift every later one: the file that
    // holds the document now is worth more than a save that corrupts it.
    if (path.empty() || !readsBackUnchanged(*this)) {
        reason = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    SafeFileWriter writer(path);
    bool saved = writer.isOpen();
    if (saved) {
        FileSink sink(writer, progress);
        writeBoxContent(*this, sink);
        saved = !sink.failed() && writer.commit();
    }
    if (!saved) {
        reason = writer.error() ? writer.error() : std::make_error_code(std::errc::io_error);
    }
    return saved;
}

std::string BoxDocument::writeText() const {
    std::string text;
    StringSink sink(text);
    writeBoxContent(*this, sink);
    return text;
}

void BoxDocument::clear() {
    boxIds.clear();
    boxes.clear();
    intersections.clear();
}

Box& BoxDocument::appendBox() {
    return boxes.append(std::make_unique<Box>());
}

Box* BoxDocument::findBoxById(std::string_view id) {
    return const_cast<Box*>(std::as_const(*this).findBoxById(id));
}

const Box* BoxDocument::findBoxById(std::string_view id) const {
    for (const auto& box : boxes) {
        if (box->id == id) {
            return box.get();
        }
    }
    return nullptr;
}

std::optional<std::size_t> BoxDocument::findRankById(std::string_view id) const {
    std::size_t rank = 0;
    for (const auto& box : boxes) {
        if (box->id == id) {
            return rank;
        }
        ++rank;
    }
    return std::nullopt;
}

void BoxDocument::removeBoxAt(std::size_t rank) {
    boxes.removeAt(rank);
    boxIds.removeAt(rank);
}

std::pair<std::unique_ptr<Box>, std::string> BoxDocument::takeBoxAt(std::size_t rank) {
    std::unique_ptr<Box> box = boxes.take(rank);
    std::vector<IndexedText> id = boxIds.removeAtIndexes({rank});
    return {std::move(box), std::move(id.front().text)};
}

void BoxDocument::insertBoxAt(std::size_t rank, std::unique_ptr<Box> box, std::string id) {
    boxes.insert(rank, std::move(box));
    boxIds.insertAtIndexes({{rank, std::move(id)}});
}

void BoxDocument::removeIntersection(std::string_view text) {
    const auto position = intersections.find(text);
    if (position != intersections.end()) {
        intersections.remove(position);
    }
}

// Both numbers of a pair are compared as the numbers they read as, the same reading that
// shiftRanksAbove renumbers by: a file's "01 2" names rank 1 and must leave with it, or the
// renumbering would point it at another box.
void BoxDocument::removeIntersectionsOfRank(std::string_view rankText) {
    const std::optional<long long> rank = parseRank(rankText);
    if (!rank) {
        return;
    }
    intersections.removeIf([&](std::string_view text) {
        const std::optional<IntersectionRanks> pair = parseRankPair(text);
        return pair && (pair->first == *rank || pair->second == *rank);
    });
}

void BoxDocument::shiftRanksAbove(long long delta, long long threshold) {
    const auto shifted = [&](long long rank) {
        return rank > threshold ? saturatingAdd(rank, delta) : rank;
    };
    RankPairBuffer buffer;
    // A line already in its new text keeps its bytes where they are: most lines of a large file do.
    intersections.rewrite([&](std::string_view text) -> std::optional<std::string_view> {
        const std::optional<IntersectionRanks> pair = parseRankPair(text);
        if (!pair) {
            return std::nullopt;
        }
        return rankPairText(shifted(pair->first), shifted(pair->second), buffer);
    });
}

BoxDocument::RankRemoval BoxDocument::removeRank(long long rank) {
    return removeRankFromLines(intersections, rank);
}

void BoxDocument::restoreRank(long long rank, RankRemoval removal) {
    restoreRankToLines(intersections, rank, std::move(removal));
}
