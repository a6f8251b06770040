#pragma once

#include "box.h"
#include "fittedbox.h"
#include "modelreader.h"
#include "progress.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class BoxDocument;

struct ImportOptions {
    // Only the meshes named as collision shapes (see isCollisionName); the others are ignored.
    bool collisionOnly = false;
    // The ID of the first new box; by default, one more than the highest ID of the document.
    // IDs the document already holds are passed over.
    std::optional<unsigned long long> firstId;
};

// Under this share of its box filled by its hull, a mesh is said not to be a box.
inline constexpr double BOX_SHAPED_RATIO = 0.98;

struct MeshReport {
    enum class Outcome {
        Added,
        // Its points lie on a plane or a line, or closer together than a step of 1/16384.
        NoVolume,
        // A value of its box lies beyond what the BOX format holds.
        OutOfRange,
    };
    std::string name;
    Outcome outcome = Outcome::Added;
    // For a box added:
    std::string id;
    std::size_t rank = 0;
    // The volume of the mesh's convex hull over that of its box.
    double filled = 0;
    WrittenFit fit;

    bool notABox() const { return outcome == Outcome::Added && filled < BOX_SHAPED_RATIO; }
};

struct ImportReport {
    // One per mesh node considered, in the model's order.
    std::vector<MeshReport> meshes;
    // Meshes left out for not being named as collision shapes.
    std::size_t ignored = 0;
    std::size_t intersectionsAdded = 0;
    // False when a heap of boxes cut the search for intersections short.
    bool intersectionsComplete = true;
};

// What a model adds to a document, worked out without changing it.
struct ModelBoxes {
    // The texts of each new box, its ID included, in the order of the added meshes' reports.
    std::vector<BoxTexts> boxes;
    // The pairs of ranks to append after the document's intersections, as "3 12".
    std::vector<std::string> intersections;
    ImportReport report;
};

// One box per mesh of the model, as if appended after the document's boxes with the next IDs,
// and the intersections of the new boxes, with each other and with the boxes already there,
// computed from their shapes; pairs the document already lists are not repeated.
ModelBoxes fitModelBoxes(const ModelContent& model, const BoxDocument& document,
                         const ImportOptions& options);
// The same, telling progress after each mesh fitted and each solid built for the search of
// intersections, out of the meshes and the solids to come. Nothing once progress asks to stop:
// what was fitted so far is dropped.
std::optional<ModelBoxes> fitModelBoxes(const ModelContent& model, const BoxDocument& document,
                                        const ImportOptions& options, const WorkProgress& progress);

// Appends one box per mesh of the model to the document, after its boxes, with the next IDs and
// its count brought up to date; then appends the intersections of the new boxes, with each other
// and with the boxes already there, computed from their shapes. The document's own
// intersections are kept as they are.
ImportReport appendModelBoxes(const ModelContent& model, BoxDocument& document,
                              const ImportOptions& options);
