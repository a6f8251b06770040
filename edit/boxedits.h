#pragma once

#include "box.h"
#include "edit.h"
#include "orlclass.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// "Valider" over a box of the document: its 29 texts, and its entry among the IDs, replaced.
// Precondition: rank below the number of boxes.
class ReplaceBoxTexts final : public Edit {
public:
    ReplaceBoxTexts(std::size_t rank, BoxTexts texts);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override { return apply(document); }

private:
    std::size_t rank_;
    std::string name_;
    // The texts that are not in the document: the new ones before apply, the old ones after.
    BoxTexts texts_;
    std::vector<IndexedText> id_;
};

// A box appended with its ID, and the count raised by one: "Ajouter", or "Valider" of an ID that
// no box bears.
class AppendBox final : public Edit {
public:
    enum class Command { Add, Validate };

    AppendBox(BoxTexts texts, Command command);

    std::string name() const override;
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    BoxTexts texts_;
    Command command_;
    std::string otherCount_;
};

// Boxes appended with their IDs, the count raised by their number, and pairs appended to the
// intersections: the boxes of a model and the pairs found for them, "Importer 12 box de
// « salle.glb »". Taken back from the end of the lists, however long the document.
class AppendBoxes final : public Edit {
public:
    AppendBoxes(std::string name, std::vector<BoxTexts> boxes, std::vector<std::string> pairs);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    std::string name_;
    std::vector<BoxTexts> boxes_;
    std::vector<std::string> pairs_;
    std::string otherCount_;
};

// "Supprimer": the box of a rank leaves with every intersection that names it, the ranks above it
// move down one place and the count goes down by one. What undo needs is kept, not the lists: the
// box itself, the lines removed, and the old text of a renumbered line only where shifting the
// ranks back would not give that text again ("01 2", "+0 1").
class DeleteBox final : public Edit {
public:
    // Precondition: rank below the number of boxes.
    DeleteBox(const BoxDocument& document, std::size_t rank);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    std::size_t rank_;
    std::string name_;
    std::unique_ptr<Box> box_;
    std::string id_;
    std::string otherCount_;
    BoxDocument::RankRemoval lines_;
};

// The four texts (a, b, c, d) of one plane of one box, as the normalising fix writes them.
class SetPlaneTexts final : public Edit {
public:
    // Preconditions: rank below the number of boxes, plane from 0 to 5.
    SetPlaneTexts(const BoxDocument& document, std::size_t rank, std::size_t plane,
                  std::array<std::string, 4> texts);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override { return apply(document); }

private:
    std::size_t rank_;
    std::size_t plane_;
    std::string name_;
    std::array<std::string, 4> texts_;
};
