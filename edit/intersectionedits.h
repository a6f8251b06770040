#pragma once

#include "edit.h"
#include "orlclass.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Pairs appended at the end of the intersections: the add-intersection dialog's pair, or the
// pairs the 3D view finds missing.
class AppendIntersections final : public Edit {
public:
    // "Ajouter l'intersection 0 3".
    static std::unique_ptr<AppendIntersections> added(std::string pair);
    // "Ajouter 312 intersections manquantes".
    static std::unique_ptr<AppendIntersections> missing(std::vector<std::string> pairs);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    AppendIntersections(std::string name, std::vector<std::string> pairs);

    std::string name_;
    std::vector<std::string> pairs_;
};

// Intersection lines removed by position, so that of two equal lines the one meant leaves: the
// selected line ("Supprimer"), or the lines the 3D view finds invalid.
class RemoveIntersections final : public Edit {
public:
    // "Supprimer l'intersection 2 5". Precondition: index below the number of lines.
    static std::unique_ptr<RemoveIntersections> removed(const BoxDocument& document,
                                                        std::size_t index);
    // "Retirer 4 intersections invalides". Precondition: indexes ascending, each below the
    // number of lines.
    static std::unique_ptr<RemoveIntersections> invalid(std::vector<std::size_t> indexes);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    RemoveIntersections(std::string name, std::vector<std::size_t> indexes);

    std::string name_;
    std::vector<std::size_t> indexes_;
    std::vector<IndexedText> removed_;
};

// The positions at which removing each text in turn, as removeIntersection removes the first
// equal line, would remove lines: ascending, found in the blocks whose ranks may hold them.
std::vector<std::size_t> positionsOfFirstEqualLines(const TextList& lines,
                                                    const std::vector<std::string>& texts);
