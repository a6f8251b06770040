#include "editgroup.h"

#include <utility>

EditGroup::EditGroup(std::string name, std::vector<std::unique_ptr<Edit>> edits)
    : name_(std::move(name)), edits_(std::move(edits)) {}

DocumentChange EditGroup::apply(BoxDocument& document) {
    DocumentChange change;
    for (const auto& edit : edits_) {
        change = DocumentChange::combined(change, edit->apply(document));
    }
    return change;
}

DocumentChange EditGroup::revert(BoxDocument& document) {
    DocumentChange change;
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
        change = DocumentChange::combined(change, (*edit)->revert(document));
    }
    return change;
}
