#include "shapesondemand.h"

#include "boxvalues.h"
#include "orlclass.h"
#include "playchecks.h"
#include "problemreporter.h"
#include "solid.h"

std::size_t ShapesOnDemand::indexOf(std::size_t rank) {
    const auto found = indices_.find(rank);
    if (found != indices_.end()) {
        return found->second;
    }
    const BoxValues values = decodeBoxValues(document_.boxes.at(rank));
    const Solid solid = buildSolid(values);
    shapes_.add(solid);
    if (play_) {
        // The faces come with the walkable planes the play checks find; their problems were
        // told when the box was checked.
        const ProblemSink ignore = [](const Problem&) {};
        ProblemReporter reporter(ignore);
        PlayChecks checks(*play_, reporter);
        checks.checkBox(values, solid);
        faces_.append(checks.releaseFaces());
    }
    const std::size_t index = ranks_.size();
    ranks_.push_back(rank);
    indices_.emplace(rank, index);
    return index;
}

void ShapesOnDemand::prepare(const std::vector<std::size_t>& ranks) {
    for (const std::size_t rank : ranks) {
        indexOf(rank);
    }
}
