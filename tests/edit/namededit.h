#pragma once

#include "edit.h"

#include <string>
#include <utility>

// An edit that changes nothing but the history, under the name given: for what reads only the
// history's names.
class NamedEdit : public Edit {
public:
    explicit NamedEdit(std::string name) : name_(std::move(name)) {}
    std::string name() const override { return name_; }
    DocumentChange apply(BoxDocument&) override { return {}; }
    DocumentChange revert(BoxDocument&) override { return {}; }

private:
    std::string name_;
};
