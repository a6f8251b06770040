#pragma once

#include "edit.h"

#include <memory>
#include <string>
#include <vector>

// Several edits applied as one, under one name, and taken back in the opposite order.
class EditGroup final : public Edit {
public:
    EditGroup(std::string name, std::vector<std::unique_ptr<Edit>> edits);

    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument& document) override;
    DocumentChange revert(BoxDocument& document) override;

private:
    std::string name_;
    std::vector<std::unique_ptr<Edit>> edits_;
};
