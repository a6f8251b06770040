#include "boxtestsupport.h"
#include "history.h"
#include "shapeedits.h"
#include "shapetestsupport.h"
#include "shapetexts.h"
#include "transforms.h"

#include <gtest/gtest.h>
#include <memory>
#include <variant>

namespace {

ShapeTexts writtenShape(const BoxShape& shape) {
    return std::get<WrittenShape>(writeShape(shape)).texts;
}

// Two boxes and a listed pair, saved once as the reference bytes.
void fillRoom(BoxDocument& document) {
    const ShapeTexts floor = writtenShape({{0, 0, -0.5}, {10, 10, 1}, {}});
    const ShapeTexts pillar = writtenShape({{1, 2, 1.5}, {0.5, 0.5, 3}, {30, 0, 0}});
    addBox(document, boxTextsOf("12", floor));
    addBox(document, boxTextsOf("7", pillar));
    document.intersections.append("0 1");
    document.countText = "2";
}

struct Tool {
    ShapeChange change;
    std::string name;
    TransformResult result;
};

TEST(ReshapeBoxTest, EveryToolIsOneEditThatUndoesByteForByte) {
    BoxDocument document;
    fillRoom(document);
    const std::string before = document.writeText();
    const ShapeTexts pillar = shapeTextsOf(document.boxes.at(1));
    const ShapeTexts floor = shapeTextsOf(document.boxes.at(0));
    const std::vector<Tool> tools = {
        {ShapeChange::Move, "Déplacer la box 7", moveBox(pillar, {0.5, -1, 0})},
        {ShapeChange::Turn, "Tourner la box 7", rotateBox(pillar, {0, 0, 1}, 15)},
        {ShapeChange::Resize, "Redimensionner la box 7", resizeFromFace(pillar, 2, 2.5)},
        {ShapeChange::Mirror, "Retourner la box 7", mirrorBox(pillar, 1)},
        {ShapeChange::Stick, "Coller la box 7",
         stickTo(done(moveBox(pillar, {0, 0, 3})), 4, floor, 2)},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.name);
        ASSERT_TRUE(std::holds_alternative<ShapeTexts>(tool.result));
        const ShapeTexts& texts = std::get<ShapeTexts>(tool.result);
        // The bytes the tool must give: the same document with the pillar's texts replaced.
        BoxDocument expected;
        fillRoom(expected);
        writeShapeTexts(texts, expected.boxes.at(1));

        History history(document);
        const DocumentChange change = history.apply(
            std::make_unique<ReshapeBox>(document, 1, tool.change, boxTextsOf("ignored", texts)));
        EXPECT_EQ(history.undoName(), tool.name);
        EXPECT_EQ(change.changedBoxes, std::vector<std::size_t>{1});
        EXPECT_EQ(change.shownRank, 1u);
        EXPECT_EQ(document.writeText(), expected.writeText());
        EXPECT_EQ(textsIn(document.boxIds), (std::vector<std::string>{"12", "7"}));
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(document.writeText(), before);
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(document.writeText(), expected.writeText());
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(document.writeText(), before);
    }
}

TEST(ReshapeBoxTest, TheListsAndOtherBoxesAreLeftAlone) {
    BoxDocument document;
    fillRoom(document);
    const BoxTexts floorBefore = textsOf(document.boxes.at(0));
    History history(document);
    const ShapeTexts floor = shapeTextsOf(document.boxes.at(0));
    const ShapeTexts moved = std::get<ShapeTexts>(moveBox(floor, {0, 0, 40}));
    history.apply(
        std::make_unique<ReshapeBox>(document, 0, ShapeChange::Move, boxTextsOf("12", moved)));
    // The pair, now apart, stays listed: a transform never changes the list by itself.
    EXPECT_EQ(textsIn(document.intersections), std::vector<std::string>{"0 1"});
    EXPECT_EQ(document.countText, "2");
    EXPECT_EQ(history.undoName(), "Déplacer la box 12");
    history.undo();
    EXPECT_EQ(textsOf(document.boxes.at(0)), floorBefore);
}

} // namespace
