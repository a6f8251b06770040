#include "boxedits.h"
#include "editgroup.h"
#include "edittestsupport.h"
#include "intersectionedits.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

BoxTexts boxWithId(const std::string& id, const std::string& radius = "2") {
    BoxTexts texts = cubeBox();
    texts[boxslot::id] = id;
    texts[boxslot::radius] = radius;
    return texts;
}

// IDs 5, 5, 6, 007 and lines a file could hold, odd ones included.
std::unique_ptr<BoxDocument> sampleDocument(const std::vector<std::string>& lines) {
    auto document = std::make_unique<BoxDocument>();
    document->setPath("/tmp/sample.box");
    int radius = 10;
    for (const char* id : {"5", "5", "6", "007"}) {
        addBox(*document, boxWithId(id, std::to_string(radius++)));
    }
    document->setCountText("004");
    for (const std::string& line : lines) {
        document->intersections.append(line);
    }
    return document;
}

struct Outcome {
    std::string name;
    std::vector<std::string> ids;
    std::vector<std::string> lines;
    std::string count;
};

// Applies the edit, checks what it made of the document and that the change record tells it all,
// then reverts it (bytes as before) and applies it again (bytes as after the first time).
void checkEdit(BoxDocument& document, Edit& edit, const Outcome& expected) {
    const std::string before = document.writeText();
    MirroredLists mirror(document);
    EXPECT_EQ(edit.name(), expected.name);
    mirror.follow(edit.apply(document), document);
    EXPECT_EQ(textsIn(document.boxIds), expected.ids);
    EXPECT_EQ(textsIn(document.intersections), expected.lines);
    EXPECT_EQ(document.countText, expected.count);
    EXPECT_TRUE(mirror == document);
    const std::string after = document.writeText();
    mirror.follow(edit.revert(document), document);
    EXPECT_EQ(document.writeText(), before);
    EXPECT_TRUE(mirror == document);
    mirror.follow(edit.apply(document), document);
    EXPECT_EQ(document.writeText(), after);
    EXPECT_TRUE(mirror == document);
    mirror.follow(edit.revert(document), document);
    EXPECT_EQ(document.writeText(), before);
}

TEST(Edits, DeleteBoxRenumbersAndComesBackByteForByte) {
    struct Case {
        std::size_t rank;
        std::vector<std::string> lines;
        Outcome outcome;
    };
    const std::vector<Case> cases = {
        {1,
         {"0 1", "1 3", "2 3", "0 2", "0 1"},
         {"Supprimer la box 5", {"5", "6", "007"}, {"1 2", "0 1"}, "3"}},
        // Odd texts: a pair in another form is rewritten in plain decimal and comes back as the
        // file had it; a text that is no pair stays where it is.
        {0,
         {"+0 1", "00 02", " 0  1", "0 1 junk", "-0 3", "03 +2", "2 1", "2 1", "99 3", "1 2 "},
         {"Supprimer la box 5",
          {"5", "6", "007"},
          {" 0  1", "0 1 junk", "2 1", "1 0", "1 0", "98 2", "1 2 "},
          "3"}},
        {3, {}, {"Supprimer la box 007", {"5", "5", "6"}, {}, "3"}},
        {2,
         {"0 1", "00 01", "3 0"},
         {"Supprimer la box 6", {"5", "5", "007"}, {"0 1", "0 1", "2 0"}, "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rank);
        auto document = sampleDocument(c.lines);
        DeleteBox edit(*document, c.rank);
        checkEdit(*document, edit, c.outcome);
    }
}

TEST(Edits, DeleteBoxKeepsTheBoxItselfAndPutsItBackAtItsRank) {
    auto document = sampleDocument({"0 1"});
    const Box* second = &document->boxes.at(1);
    DeleteBox edit(*document, 1);
    edit.apply(*document);
    EXPECT_EQ(document->boxes.at(1).maxRadius, "12");
    const DocumentChange change = edit.revert(*document);
    EXPECT_EQ(&document->boxes.at(1), second);
    EXPECT_EQ(change.shownRank, 1u);
    EXPECT_EQ(change.insertedBoxes, std::vector<std::size_t>{1});
}

TEST(Edits, ValidateReplacesTheTextsOfTheBoxAtItsRankAmongRepeatedIds) {
    auto document = sampleDocument({"0 1"});
    BoxTexts texts = boxWithId("5", "77");
    texts[boxslot::plane(3)] = "+0 1";
    ReplaceBoxTexts edit(1, texts);
    const std::vector<std::string> ids{"5", "5", "6", "007"};
    checkEdit(*document, edit, {"Valider la box 5", ids, {"0 1"}, "004"});
    const DocumentChange change = edit.apply(*document);
    EXPECT_EQ(change.changedBoxes, std::vector<std::size_t>{1});
    EXPECT_EQ(change.shownRank, 1u);
    EXPECT_EQ(textsOf(document->boxes.at(1)), texts);
    EXPECT_EQ(textsOf(document->boxes.at(0)), boxWithId("5", "10"));
}

TEST(Edits, AppendBoxRaisesTheCountAndShowsTheNewBox) {
    auto document = sampleDocument({});
    AppendBox add(boxWithId("13"), AppendBox::Command::Add);
    checkEdit(*document, add, {"Ajouter la box 13", {"5", "5", "6", "007", "13"}, {}, "5"});
    AppendBox validate(boxWithId("0013"), AppendBox::Command::Validate);
    checkEdit(*document, validate,
              {"Valider la box 0013", {"5", "5", "6", "007", "0013"}, {}, "5"});
    EXPECT_EQ(add.apply(*document).shownRank, 4u);
}

// The boxes of a model with the pairs found for them: one edit, taken back from the end of the
// lists, the count moved from the number its text reads as.
TEST(Edits, AppendBoxesAddsBoxesAndPairsAndTakesThemBackTogether) {
    auto document = sampleDocument({"0 1", "+0 1"});
    AppendBoxes edit("Importer 3 box de « salle.glb »",
                     {boxWithId("8"), boxWithId("9", "3"), boxWithId("5")}, {"3 4", "4 5", "0 6"});
    checkEdit(*document, edit,
              {"Importer 3 box de « salle.glb »",
               {"5", "5", "6", "007", "8", "9", "5"},
               {"0 1", "+0 1", "3 4", "4 5", "0 6"},
               "7"});
    const DocumentChange change = edit.apply(*document);
    EXPECT_EQ(change.shownRank, 4u);
    EXPECT_EQ(textsOf(document->boxes.at(5)), boxWithId("9", "3"));
    AppendBoxes nothing("Importer 0 box de « vide.obj »", {}, {});
    checkEdit(*document, nothing,
              {"Importer 0 box de « vide.obj »",
               {"5", "5", "6", "007", "8", "9", "5"},
               {"0 1", "+0 1", "3 4", "4 5", "0 6"},
               "7"});
}

TEST(Edits, PlaneTextsAreReplacedAndTakenBack) {
    auto document = sampleDocument({});
    SetPlaneTexts edit(*document, 3, 2, {"2d41", "2d41", "0000", "00002d41"});
    checkEdit(*document, edit,
              {"Normaliser le plan 2 de la box 007", {"5", "5", "6", "007"}, {}, "004"});
    edit.apply(*document);
    EXPECT_EQ(document->boxes.at(3).planes[2].a, "2d41");
    EXPECT_EQ(document->boxes.at(3).planes[2].d, "00002d41");
    EXPECT_EQ(document->boxes.at(3).planes[1].a, cubeBox()[boxslot::plane(4)]);
}

TEST(Edits, IntersectionsAreAppendedAndRemovedByPosition) {
    const std::vector<std::string> lines{"0 1", "2 3", "0 1", "+0 1"};
    {
        auto document = sampleDocument(lines);
        auto edit = AppendIntersections::added("0 3");
        checkEdit(*document, *edit,
                  {"Ajouter l'intersection 0 3",
                   {"5", "5", "6", "007"},
                   {"0 1", "2 3", "0 1", "+0 1", "0 3"},
                   "004"});
    }
    {
        auto document = sampleDocument(lines);
        auto edit = AppendIntersections::missing({"1 2", "1 3"});
        checkEdit(*document, *edit,
                  {"Ajouter 2 intersections manquantes",
                   {"5", "5", "6", "007"},
                   {"0 1", "2 3", "0 1", "+0 1", "1 2", "1 3"},
                   "004"});
        EXPECT_EQ(AppendIntersections::missing({"1 2"})->name(),
                  "Ajouter 1 intersection manquante");
    }
    {
        auto document = sampleDocument(lines);
        auto edit = RemoveIntersections::removed(*document, 2);
        checkEdit(*document, *edit,
                  {"Supprimer l'intersection 0 1",
                   {"5", "5", "6", "007"},
                   {"0 1", "2 3", "+0 1"},
                   "004"});
    }
    {
        auto document = sampleDocument(lines);
        auto edit = RemoveIntersections::invalid({0, 2, 3});
        checkEdit(*document, *edit,
                  {"Retirer 3 intersections invalides", {"5", "5", "6", "007"}, {"2 3"}, "004"});
        EXPECT_EQ(RemoveIntersections::invalid({1})->name(), "Retirer 1 intersection invalide");
    }
}

TEST(Edits, FirstEqualLinesAreFoundAsSuccessiveRemovalsWouldFindThem) {
    TextList lines;
    for (const char* line : {"0 1", "2 3", "0 1", "0 1", "4 5"}) {
        lines.append(line);
    }
    EXPECT_EQ(positionsOfFirstEqualLines(lines, {"0 1", "4 5", "0 1", "9 9"}),
              (std::vector<std::size_t>{0, 2, 4}));
    EXPECT_TRUE(positionsOfFirstEqualLines(lines, {}).empty());
}

TEST(Edits, AGroupAppliesInOrderAndRevertsInReverse) {
    auto document = sampleDocument({"0 1", "1 2"});
    std::vector<std::unique_ptr<Edit>> edits;
    edits.push_back(std::make_unique<AppendBox>(boxWithId("8"), AppendBox::Command::Add));
    edits.push_back(AppendIntersections::added("3 4"));
    edits.push_back(std::make_unique<DeleteBox>(*document, 0));
    EditGroup group("Ajouter la box 8 et la relier", std::move(edits));
    checkEdit(*document, group,
              {"Ajouter la box 8 et la relier", {"5", "6", "007", "8"}, {"0 1", "2 3"}, "4"});
}

TEST(Edits, CombinedChangesKeepPositionsOnlyWhileNothingMoves) {
    DocumentChange texts;
    texts.changedBoxes = {3};
    texts.shownRank = 3;
    DocumentChange other;
    other.changedBoxes = {1};
    other.rewrittenLines = {4};
    DocumentChange both = DocumentChange::combined(texts, other);
    EXPECT_EQ(both.changedBoxes, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(both.rewrittenLines, std::vector<std::size_t>{4});
    EXPECT_EQ(both.shownRank, 3u);
    EXPECT_FALSE(both.everything);
    DocumentChange removal;
    removal.removedBoxes = {0};
    EXPECT_TRUE(DocumentChange::combined(texts, removal).everything);
    EXPECT_EQ(DocumentChange::combined(DocumentChange{}, removal).removedBoxes,
              std::vector<std::size_t>{0});
}

} // namespace
