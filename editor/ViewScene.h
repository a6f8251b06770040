#pragma once

#include "SphereGrid.h"
#include "documentchange.h"
#include "intersections.h"
#include "livechecks.h"
#include "problems.h"
#include "solid.h"
#include "vec3.h"

#include <array>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class Box;
class BoxDocument;

// Where a box stands, for culling and framing: the bounds of its solid and the sphere around
// them, or its centre alone when its solid cannot be built. The bounds are kept in single
// precision, rounded outward, and the sphere is worked out from them, its centre and radius
// single-precision values too: a view keeps one for every box, and a third of the memory of
// doubles is precise enough for where a box is drawn.
class BoxSphere {
public:
    BoxSphere() = default;
    static BoxSphere around(const Vec3& low, const Vec3& high);
    // A box without a solid.
    static BoxSphere at(const Vec3& centre);

    bool drawable() const { return drawable_; }
    Vec3 low() const { return {low_[0], low_[1], low_[2]}; }
    Vec3 high() const { return {high_[0], high_[1], high_[2]}; }
    // The middle of the bounds, to the nearest float.
    Vec3 centre() const;
    // Reaches every corner of the bounds from the centre; 0 for a box without a solid.
    double radius() const;

private:
    std::array<float, 3> low_{};
    std::array<float, 3> high_{};
    bool drawable_ = false;
};

// The solids of the boxes a frame draws in full, built from the document when first asked for
// and kept for the next frames: a few thousand at most, where keeping every box's solid would
// take far more memory than the document.
class SolidCache {
public:
    // The solid of the box, valid until the next call.
    const Solid& solidOf(std::size_t rank, const Box& box);
    void forget(std::size_t rank);
    // The solids kept follow their boxes to their new ranks; those of boxes removed or changed go.
    void follow(const DocumentChange& change);
    void clear();
    std::size_t size() const { return solids_.size(); }

private:
    struct Entry {
        Solid solid;
        std::list<std::size_t>::iterator use;
    };

    std::unordered_map<std::size_t, Entry> solids_;
    // Ranks by last use, the latest first.
    std::list<std::size_t> uses_;
};

// What the 3D view shows of a document: at first where each box stands, enough to draw it, then
// once the whole check is done its problems too; from then on following each edit rank by rank.
// The scene reads the solids it draws from the document, which must outlive it.
struct ViewScene {
    const BoxDocument* document = nullptr;
    // By rank.
    std::vector<BoxSphere> spheres;
    // The spheres by where they stand, for the frames.
    SphereGrid grid;
    // By rank: whether a problem of severity error names the box; all 0 until checked.
    std::vector<unsigned char> hasError;
    LiveChecks checks;
    // Whether the checks hold the report of the document; until then, no problem is known.
    bool checked = false;

    std::size_t size() const { return spheres.size(); }
    const std::vector<Problem>& problems() const { return checks.problems(); }
    // The boxes the listed intersections pair with the given one.
    std::vector<std::size_t> partnersOf(std::size_t rank) const {
        return checked ? checks.partnersOf(rank) : std::vector<std::size_t>{};
    }
    // The solid of the box of the rank, as its texts build it; valid until the next call.
    const Solid& solid(std::size_t rank) const;

    mutable SolidCache solids;
};

// The scene of the document as far as a first frame needs it, without its checks: where each box
// stands, its solid built and let go, on every core for a large document.
ViewScene buildViewScene(const BoxDocument& document);
// The checks of the whole document, made apart on any thread, taken into a scene of the same
// document.
void takeChecks(ViewScene& scene, LiveChecks checks);
// The scene of the document once the change is made: the boxes it names placed again, the
// others moved to their new ranks, the checks following when there are any. Not for a change
// of everything, nor one the checks cannot follow (see LiveChecks::follows) while checked.
void followChange(ViewScene& scene, const BoxDocument& document, const DocumentChange& change);
// The spheres of a scene through the same change; returns the ranks whose sphere was placed again.
std::vector<std::size_t> followSpheres(std::vector<BoxSphere>& spheres, const BoxDocument& document,
                                       const DocumentChange& change);
BoxSphere sphereOf(const Solid& solid, const Vec3& centre);
// Where the box stands, its solid built into the one given.
BoxSphere sphereOfBox(const Box& box, Solid& solid);
// The sphere around the bounds of a set of boxes; radius 0 at the origin for none.
BoxSphere enclosingSphere(const std::vector<BoxSphere>& spheres);
// The two ranks of an intersection text such as "3 5", when it names two boxes of a document
// holding boxCount boxes.
std::optional<RankPair> listedPair(std::string_view text, std::size_t boxCount);
