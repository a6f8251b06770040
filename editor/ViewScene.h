#pragma once

#include "intersections.h"
#include "problems.h"
#include "solid.h"
#include "vec3.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
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

// What the 3D view shows of a document, built again whenever the document changes.
struct ViewScene {
    // By rank: the values the box's texts read as, and the solid they build.
    std::vector<BoxValues> values;
    std::vector<Solid> solids;
    std::vector<BoxSphere> spheres;
    // By rank: whether a problem of severity error names the box.
    std::vector<unsigned char> hasError;
    // The listed intersections that name two boxes of the document, as ranks.
    std::vector<RankPair> listedPairs;
    std::unordered_map<std::string, std::size_t> firstRankOfId;
    std::vector<Problem> problems;

    std::size_t size() const { return solids.size(); }
    std::optional<std::size_t> rankOfId(const std::string& id) const;
    // The boxes the listed intersections pair with the given one.
    std::vector<std::size_t> partnersOf(std::size_t rank) const;
};

// The scene of the document; the solids of the previous scene whose box has the same values at
// the same rank are taken over rather than built again, since one edit changes one box.
ViewScene buildViewScene(const BoxDocument& document, ViewScene previous = {});
BoxSphere sphereOf(const Solid& solid, const Vec3& centre);
// The sphere around the bounds of a set of boxes; radius 0 at the origin for none.
BoxSphere enclosingSphere(const std::vector<BoxSphere>& spheres);
// The two ranks of an intersection text such as "3 5", when it names two boxes of a document
// holding boxCount boxes.
std::optional<RankPair> listedPair(std::string_view text, std::size_t boxCount);
