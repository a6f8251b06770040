#include "problemreporter.h"

#include "frenchtext.h"

void ProblemReporter::beginBox(std::size_t rank, std::string_view id) {
    rank_ = rank;
    id_ = id;
}

void ProblemReporter::endBox() {
    rank_.reset();
    id_ = {};
}

Problem ProblemReporter::problem(ProblemKind kind, std::string message) const {
    Problem problem;
    problem.kind = kind;
    if (rank_) {
        problem.rank = rank_;
        problem.id = std::string(id_);
    }
    problem.message = std::move(message);
    return problem;
}

void ProblemReporter::add(ProblemKind kind, std::string message, std::optional<int> plane,
                          std::optional<std::string_view> intersection) {
    Problem found = problem(kind, std::move(message));
    found.plane = plane;
    if (intersection) {
        found.intersection = std::string(*intersection);
    }
    sink_(found);
}

void ProblemReporter::addOnPlane(ProblemKind kind, int plane, const std::string& message) {
    add(kind, "plan " + std::to_string(plane) + " : " + message, plane);
}

void ProblemReporter::addOnFaces(ProblemKind kind, int plane, std::size_t otherRank, int otherPlane,
                                 std::string message) {
    Problem found = problem(kind, std::move(message));
    found.plane = plane;
    found.otherRank = otherRank;
    found.otherPlane = otherPlane;
    sink_(found);
}

void ProblemReporter::addListed(ProblemKind kind, std::string_view text,
                                const std::string& message) {
    add(kind, "intersection " + quoted(text) + " : " + message, std::nullopt, text);
}
