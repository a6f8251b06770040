#pragma once

#include "problem.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Hands each problem the checks find on to a sink, with the box being checked if there is one.
class ProblemReporter {
public:
    explicit ProblemReporter(const ProblemSink& sink) : sink_(sink) {}

    // The problems added until endBox concern this box.
    void beginBox(std::size_t rank, std::string_view id);
    void endBox();
    std::optional<std::size_t> box() const { return rank_; }

    void add(ProblemKind kind, std::string message, std::optional<int> plane = std::nullopt,
             std::optional<std::string_view> intersection = std::nullopt);
    // The message starts with the plane: "plan 2 : ...".
    void addOnPlane(ProblemKind kind, int plane, const std::string& message);
    // The message starts with the listed text: "intersection « 0 1 » : ...".
    void addListed(ProblemKind kind, std::string_view text, const std::string& message);

private:
    const ProblemSink& sink_;
    std::optional<std::size_t> rank_;
    std::string_view id_;
};
