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

void ProblemReporter::add(ProblemKind kind, std::string message, std::optional<int> plane,
                          std::optional<std::string_view> intersection) {
    Problem problem;
    problem.kind = kind;
    if (rank_) {
        problem.rank = rank_;
        problem.id = std::string(id_);
    }
    problem.plane = plane;
    if (intersection) {
        problem.intersection = std::string(*intersection);
    }
    problem.message = std::move(message);
    sink_(problem);
}

void ProblemReporter::addOnPlane(ProblemKind kind, int plane, const std::string& message) {
    add(kind, "plan " + std::to_string(plane) + " : " + message, plane);
}

void ProblemReporter::addListed(ProblemKind kind, std::string_view text,
                                const std::string& message) {
    add(kind, "intersection " + quoted(text) + " : " + message, std::nullopt, text);
}
