#pragma once

#include "facestore.h"
#include "intersections.h"
#include "playlimits.h"
#include "problemkind.h"
#include "surfacekind.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

class ProblemReporter;
class ShapeSet;
struct BoxValues;
struct Solid;

// The ID of the box of a rank.
using IdOfRank = std::function<std::string_view(std::size_t)>;

// A seam or a micro-step between two boxes, told on the first, rank < other.
struct PlayFinding {
    std::size_t rank;
    std::size_t other;
    ProblemKind kind;
    int plane;
    int otherPlane;
    double value;

    // The order the checks tell them in.
    bool operator<(const PlayFinding& that) const {
        return std::tie(rank, other, kind, plane, otherPlane) <
               std::tie(that.rank, that.other, that.kind, that.plane, that.otherPlane);
    }
};

// How far apart the bounds of two boxes may be for a seam or a step to lie between them.
double nearReach(const PlayLimits& limits);
// What lies between the two boxes of a near pair, rank < other, appended to findings: seams when
// they are apart (the pair is not among the intersections), steps between walkable faces; faces
// reads the store's.
void findBetweenBoxes(const FaceStore& store, FaceReader& faces, const PlayLimits& limits,
                      const RankPair& pair, bool apart, std::vector<PlayFinding>& findings);
// What lies between the boxes of every near pair, on every core, sorted; near: the pairs whose
// bounds come within nearReach(), increasing; touching: the pairs that touch, increasing.
// alongside, if given, runs first on the calling thread while the other threads start on the
// pairs, and the calling thread then joins them.
std::vector<PlayFinding> findBetweenNearBoxes(const FaceStore& store, const ShapeSet& shapes,
                                              const PlayLimits& limits,
                                              const std::vector<RankPair>& touching,
                                              const std::vector<RankPair>& near,
                                              const std::function<void()>& alongside = {});
// The problem of a finding, told on the box the reporter is on, its first box.
void reportPlayFinding(const PlayFinding& finding, ProblemReporter& reporter);

// The checks of how a scene is played: what a character or a fast object meets that the numbers
// alone do not tell. Thin solids and steep floors box by box; seams and micro-steps between
// boxes, once every box is known.
class PlayChecks {
public:
    PlayChecks(const PlayLimits& limits, ProblemReporter& reporter);

    void reserve(std::size_t boxCount) { faces_.reserve(boxCount); }

    // The checks of the box the reporter is on; boxes come in rank order, each one. Keeps the
    // faces for the checks between boxes.
    void checkBox(const BoxValues& values, const Solid& solid);
    // Seams and micro-steps, the shapes holding every box; touching: the pairs of boxes that
    // touch, increasing; near: every pair whose bounds come within nearMargin(), increasing,
    // the touching ones among them; idOf: the ID of a rank, asked for in increasing order.
    // alongside: other work of the calling thread, done while the other threads start on the
    // pairs, before any of these problems is reported.
    void checkBetweenBoxes(const ShapeSet& shapes, const std::vector<RankPair>& touching,
                           const std::vector<RankPair>& near, const IdOfRank& idOf,
                           const std::function<void()>& alongside = {});
    // How near two boxes' bounds must come for a seam or a micro-step to lie between them.
    double nearMargin() const;
    // The faces checkBox kept, taken away; boxes checked apart on another thread join the scene
    // of another PlayChecks through appendFaces, as its next ranks.
    FaceStore releaseFaces();
    // Swaps the faces kept with those given: a caller that checks run after run hands in the
    // emptied store of an earlier run, whose memory then serves again.
    void exchangeFaces(FaceStore& faces) { std::swap(faces_, faces); }
    void appendFaces(const FaceStore& faces);

private:
    void checkThickness(const BoxValues& values, const Solid& solid);
    // Reports the steep floors; returns the walkable planes, bit p for plane p.
    std::uint8_t checkSlopes(const BoxValues& values, const Solid& solid);

    PlayLimits limits_;
    ProblemReporter& reporter_;
    SurfaceClassifier surfaces_;
    FaceStore faces_;
};
