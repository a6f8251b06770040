#include "boxedits.h"
#include "editgroup.h"
#include "edittestsupport.h"
#include "history.h"
#include "intersectionedits.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

BoxTexts boxWithId(const std::string& id) {
    BoxTexts texts = cubeBox();
    texts[boxslot::id] = id;
    return texts;
}

std::unique_ptr<Edit> addBoxEdit(const std::string& id) {
    return std::make_unique<AppendBox>(boxWithId(id), AppendBox::Command::Add);
}

class HistoryTest : public ::testing::Test {
protected:
    HistoryTest() : history(document) {
        document.setPath("/tmp/history.box");
        document.setCountText("0");
    }

    BoxDocument document;
    History history;
};

TEST_F(HistoryTest, UndoesAndRedoesInOrderWithNames) {
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo().has_value());
    EXPECT_FALSE(history.redo().has_value());
    const std::string empty = document.writeText();
    history.apply(addBoxEdit("12"));
    const std::string one = document.writeText();
    history.apply(addBoxEdit("13"));
    const std::string two = document.writeText();
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(history.nameAt(0), "Ajouter la box 12");
    EXPECT_EQ(history.undoName(), "Ajouter la box 13");
    EXPECT_EQ(history.redoName(), std::nullopt);
    ASSERT_TRUE(history.undo().has_value());
    EXPECT_EQ(document.writeText(), one);
    EXPECT_EQ(history.redoName(), "Ajouter la box 13");
    EXPECT_EQ(history.undoTo(0).size(), 1u);
    EXPECT_EQ(document.writeText(), empty);
    EXPECT_EQ(history.currentPoint(), 0u);
    EXPECT_TRUE(history.undoTo(5).empty());
    EXPECT_EQ(history.redoTo(2).size(), 2u);
    EXPECT_EQ(document.writeText(), two);
    EXPECT_TRUE(history.redoTo(9).empty());
}

TEST_F(HistoryTest, AnEditAfterUndoDropsTheEntriesUndone) {
    history.apply(addBoxEdit("1"));
    history.apply(addBoxEdit("2"));
    history.undo();
    history.apply(addBoxEdit("3"));
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(history.nameAt(1), "Ajouter la box 3");
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"1", "3"}));
}

TEST_F(HistoryTest, ModifiedFollowsTheSavedPoint) {
    EXPECT_FALSE(history.isModified());
    history.apply(addBoxEdit("1"));
    EXPECT_TRUE(history.isModified());
    history.undo();
    EXPECT_FALSE(history.isModified());
    history.redo();
    history.apply(addBoxEdit("2"));
    history.markSaved();
    EXPECT_FALSE(history.isModified());
    history.undo();
    EXPECT_TRUE(history.isModified());
    history.redo();
    EXPECT_FALSE(history.isModified());
    // Past the saved point, then another edit: the saved state can no longer be reached.
    history.undoTo(1);
    history.apply(addBoxEdit("3"));
    EXPECT_TRUE(history.isModified());
    history.undoTo(0);
    EXPECT_TRUE(history.isModified());
    history.redoTo(2);
    EXPECT_TRUE(history.isModified());
    history.clear();
    EXPECT_FALSE(history.isModified());
    EXPECT_EQ(history.size(), 0u);
    EXPECT_FALSE(history.canUndo());
}

// Random documents of the kind a file may hold, and random commands of the window.
class RandomSession {
public:
    explicit RandomSession(unsigned seed) : random_(seed) {}

    void fillDocument(BoxDocument& document) {
        document.setPath("/tmp/random.box");
        const std::size_t boxes = pick(7);
        for (std::size_t i = 0; i < boxes; ++i) {
            addBox(document, texts(oneOf({"5", "5", "6", "007", "7"})));
        }
        document.setCountText(oneOf({std::to_string(boxes), "0" + std::to_string(boxes)}));
        const std::size_t lines = pick(25);
        for (std::size_t i = 0; i < lines; ++i) {
            document.intersections.append(line(boxes));
        }
        if (lines > 2) {
            document.intersections.append(*document.intersections.begin());
        }
    }

    // A scene of many boxes, each listed with a few near it in plain decimal, as generated scenes
    // are, and now and then a line in another form or no pair at all: lists long enough that
    // their walks divide between threads.
    void fillLargeDocument(BoxDocument& document, std::size_t boxes) {
        document.setPath("/tmp/large.box");
        for (std::size_t i = 0; i < boxes; ++i) {
            addBox(document, texts(i % 97 == 0 ? "007" : std::to_string(i + 1)));
        }
        document.setCountText(std::to_string(boxes));
        for (std::size_t box = 0; box < boxes; ++box) {
            for (std::size_t k = pick(9); k > 0; --k) {
                const std::size_t other = std::min(boxes - 1, box + 1 + pick(40));
                document.intersections.append(pick(2000) == 0 ? line(boxes)
                                                              : std::to_string(box) + " " +
                                                                    std::to_string(other));
            }
        }
    }

    // One command as the window would build it; nothing when the document does not allow it.
    std::unique_ptr<Edit> command(const BoxDocument& document) {
        const std::size_t boxes = document.boxes.size();
        const std::size_t lines = document.intersections.size();
        switch (pick(10)) {
        case 0:
            if (boxes == 0) {
                return nullptr;
            } else {
                const std::size_t rank = pick(boxes);
                return std::make_unique<ReplaceBoxTexts>(
                    rank, texts(std::string(document.boxes.at(rank).id.view())));
            }
        case 1:
            return std::make_unique<AppendBox>(texts(newId()), AppendBox::Command::Validate);
        case 2:
            return std::make_unique<AppendBox>(texts(newId()), AppendBox::Command::Add);
        case 3:
        case 4:
            return boxes == 0 ? nullptr : std::make_unique<DeleteBox>(document, pick(boxes));
        case 5:
            if (boxes < 2) {
                return nullptr;
            } else {
                const std::size_t first = pick(boxes);
                const std::size_t second = (first + 1 + pick(boxes - 1)) % boxes;
                return AppendIntersections::added(std::to_string(first) + " " +
                                                  std::to_string(second));
            }
        case 6:
            return lines == 0 ? nullptr : RemoveIntersections::removed(document, pick(lines));
        case 7:
            return boxes == 0 ? nullptr
                              : std::make_unique<SetPlaneTexts>(
                                    document, pick(boxes), pick(6),
                                    std::array<std::string, 4>{hex(4), hex(4), hex(4), hex(8)});
        case 8: {
            std::vector<std::string> pairs;
            for (std::size_t i = 0, count = 1 + pick(4); i < count && boxes > 1; ++i) {
                pairs.push_back(line(boxes));
            }
            return pairs.empty() ? nullptr : AppendIntersections::missing(pairs);
        }
        default: {
            std::vector<std::string> wanted;
            for (const std::string_view text : document.intersections) {
                if (pick(3) == 0) {
                    wanted.emplace_back(text);
                }
            }
            auto positions = positionsOfFirstEqualLines(document.intersections, wanted);
            if (positions.empty()) {
                return nullptr;
            }
            if (pick(2) == 0) {
                return RemoveIntersections::invalid(positions);
            }
            std::vector<std::unique_ptr<Edit>> edits;
            edits.push_back(RemoveIntersections::invalid(positions));
            edits.push_back(std::make_unique<AppendBox>(texts(newId()), AppendBox::Command::Add));
            return std::make_unique<EditGroup>("Retirer puis ajouter", std::move(edits));
        }
        }
    }

private:
    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

    std::string oneOf(const std::vector<std::string>& choices) {
        return choices[pick(choices.size())];
    }

    std::string hex(std::size_t digits) {
        std::string text;
        for (std::size_t i = 0; i < digits; ++i) {
            text += "0123456789abcdef"[pick(16)];
        }
        return text;
    }

    std::string newId() { return "n" + std::to_string(serial_++); }

    BoxTexts texts(const std::string& id) {
        BoxTexts result;
        result[boxslot::id] = id;
        result[boxslot::radius] = oneOf({"12", "007", std::string(60, '9')});
        for (std::size_t slot = boxslot::firstCentre; slot < result.size(); ++slot) {
            result[slot] = pick(9) == 0 ? oneOf({"+0", "007", std::string(50, 'f')}) : hex(4);
        }
        return result;
    }

    std::string line(std::size_t boxes) {
        const std::string a = std::to_string(pick(boxes + 2));
        const std::string b = std::to_string(pick(boxes + 2));
        switch (pick(8)) {
        case 0:
            return oneOf({"+", "-", "0", "00"}) + a + " " + b;
        case 1:
            return a + " +" + b;
        case 2:
            return oneOf({" 0  1", "0 1 junk", "1", "0 1 ", "-0 1"});
        default:
            return a + " " + b;
        }
    }

    std::mt19937 random_;
    int serial_ = 0;
};

TEST(HistoryProperty, EveryUndoGivesBackTheExactBytesAndRedoAllTheLast) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        BoxDocument document;
        RandomSession session(seed);
        session.fillDocument(document);
        History history(document);
        MirroredLists mirror(document);
        std::vector<std::string> bytes{document.writeText()};
        for (int step = 0; step < 40; ++step) {
            std::unique_ptr<Edit> edit = session.command(document);
            if (!edit) {
                continue;
            }
            mirror.follow(history.apply(std::move(edit)), document);
            ASSERT_TRUE(mirror == document);
            bytes.push_back(document.writeText());
        }
        ASSERT_EQ(history.size() + 1, bytes.size());
        for (std::size_t point = history.size(); point > 0; --point) {
            mirror.follow(*history.undo(), document);
            ASSERT_EQ(document.writeText(), bytes[point - 1]) << "after undoing entry " << point;
            ASSERT_TRUE(mirror == document);
        }
        while (history.canRedo()) {
            mirror.follow(*history.redo(), document);
        }
        ASSERT_EQ(document.writeText(), bytes.back());
        ASSERT_TRUE(mirror == document);
    }
}

// The same on documents of over a hundred thousand lines, where a deleted box renumbers most of
// them in place and the searches pass over whole blocks.
TEST(HistoryProperty, LongListsComeBackByteForByte) {
    for (unsigned seed = 1; seed <= 2; ++seed) {
        SCOPED_TRACE(seed);
        BoxDocument document;
        RandomSession session(seed);
        session.fillLargeDocument(document, 30000);
        ASSERT_GT(document.intersections.size(), 100000u);
        History history(document);
        std::vector<std::string> bytes{document.writeText()};
        for (int step = 0; step < 24; ++step) {
            std::unique_ptr<Edit> edit = session.command(document);
            if (edit) {
                history.apply(std::move(edit));
                bytes.push_back(document.writeText());
            }
        }
        for (std::size_t point = history.size(); point > 0; --point) {
            history.undo();
            ASSERT_EQ(document.writeText(), bytes[point - 1]) << "after undoing entry " << point;
        }
        while (history.canRedo()) {
            history.redo();
        }
        ASSERT_EQ(document.writeText(), bytes.back());
    }
}

} // namespace
