#include "intersectionedits.h"

#include <iterator>
#include <memory>
#include <numeric>
#include <utility>

namespace {

// "1 intersection manquante", "4 intersections manquantes".
std::string counted(std::size_t count, const std::string& noun, const std::string& adjective) {
    const char* plural = count > 1 ? "s" : "";
    return std::to_string(count) + " " + noun + plural + " " + adjective + plural;
}

} // namespace

std::unique_ptr<AppendIntersections> AppendIntersections::added(std::string pair) {
    std::string name = "Ajouter l'intersection " + pair;
    return std::unique_ptr<AppendIntersections>(
        new AppendIntersections(std::move(name), {std::move(pair)}));
}

std::unique_ptr<AppendIntersections> AppendIntersections::missing(std::vector<std::string> pairs) {
    std::string name = "Ajouter " + counted(pairs.size(), "intersection", "manquante");
    return std::unique_ptr<AppendIntersections>(
        new AppendIntersections(std::move(name), std::move(pairs)));
}

AppendIntersections::AppendIntersections(std::string name, std::vector<std::string> pairs)
    : name_(std::move(name)), pairs_(std::move(pairs)) {}

DocumentChange AppendIntersections::apply(BoxDocument& document) {
    DocumentChange change;
    change.insertedLines.resize(pairs_.size());
    std::iota(change.insertedLines.begin(), change.insertedLines.end(),
              document.intersections.size());
    for (const std::string& pair : pairs_) {
        document.intersections.append(pair);
    }
    return change;
}

DocumentChange AppendIntersections::revert(BoxDocument& document) {
    DocumentChange change;
    change.removedLines.resize(pairs_.size());
    std::iota(change.removedLines.begin(), change.removedLines.end(),
              document.intersections.size() - pairs_.size());
    document.intersections.removeAtIndexes(change.removedLines);
    return change;
}

std::unique_ptr<RemoveIntersections> RemoveIntersections::removed(const BoxDocument& document,
                                                                  std::size_t index) {
    std::string name = "Supprimer l'intersection ";
    name += document.intersections.at(index);
    return std::unique_ptr<RemoveIntersections>(new RemoveIntersections(std::move(name), {index}));
}

std::unique_ptr<RemoveIntersections>
RemoveIntersections::invalid(std::vector<std::size_t> indexes) {
    std::string name = "Retirer " + counted(indexes.size(), "intersection", "invalide");
    return std::unique_ptr<RemoveIntersections>(
        new RemoveIntersections(std::move(name), std::move(indexes)));
}

RemoveIntersections::RemoveIntersections(std::string name, std::vector<std::size_t> indexes)
    : name_(std::move(name)), indexes_(std::move(indexes)) {}

DocumentChange RemoveIntersections::apply(BoxDocument& document) {
    removed_ = document.intersections.removeAtIndexes(indexes_);
    DocumentChange change;
    change.removedLines = indexes_;
    return change;
}

DocumentChange RemoveIntersections::revert(BoxDocument& document) {
    document.intersections.insertAtIndexes(std::move(removed_));
    removed_.clear();
    DocumentChange change;
    change.insertedLines = indexes_;
    return change;
}

std::vector<std::size_t> positionsOfFirstEqualLines(const TextList& lines,
                                                    const std::vector<std::string>& texts) {
    return lines.firstIndexesOf(texts);
}
