#pragma once

#include "SphereGrid.h"
#include "documentchange.h"
#include "intersections.h"
#include "livechecks.h"
#include "problems.h"
#include "solid.h"
#include "vec3.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class BoxDocument;

// Where a box stands, for culling and framing: the sphere around its solid and the solid's
// bounds, or its centre alone when its solid cannot be built.
struct BoxSphere {
    Vec3 centre;
    double radius = 0;
    bool drawable = false;
    Vec3 low, high;
};

// What the 3D view shows of a document: built whole for a document opened, then following each
// edit rank by rank.
struct ViewScene {
    // By rank: the values the box's texts read as, and the solid they build.
    std::vector<BoxValues> values;
    std::vector<Solid> solids;
    std::vector<BoxSphere> spheres;
    // The spheres by where they stand, for the frames.
    SphereGrid grid;
    // By rank: whether a problem of severity error names the box.
    std::vector<unsigned char> hasError;
    LiveChecks checks;

    std::size_t size() const { return solids.size(); }
    const std::vector<Problem>& problems() const { return checks.problems(); }
    // The boxes the listed intersections pair with the given one.
    std::vector<std::size_t> partnersOf(std::size_t rank) const { return checks.partnersOf(rank); }
};

// The scene of the document; the solids of the previous scene whose box has the same values at
// the same rank are taken over rather than built again, since one edit changes one box.
ViewScene buildViewScene(const BoxDocument& document, ViewScene previous = {});
// The scene of the document once the change is made: the boxes it names built again, the others
// moved to their new ranks, the checks following. Not for a change of everything.
void followChange(ViewScene& scene, const BoxDocument& document, const DocumentChange& change);
BoxSphere sphereOf(const Solid& solid, const Vec3& centre);
// The sphere around the bounds of a set of boxes; radius 0 at the origin for none.
BoxSphere enclosingSphere(const std::vector<BoxSphere>& spheres);
// The two ranks of an intersection text such as "3 5", when it names two boxes of a document
// holding boxCount boxes.
std::optional<RankPair> listedPair(std::string_view text, std::size_t boxCount);
