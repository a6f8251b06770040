#pragma once

#include "documentchange.h"

#include <string>

class BoxDocument;

// One change of a document that can take itself back exactly, byte for byte. An edit is applied
// and reverted in turns, starting with apply, each time to the document as the other left it; it
// keeps only what its revert needs.
class Edit {
public:
    Edit() = default;
    virtual ~Edit() = default;
    Edit(const Edit&) = delete;
    Edit& operator=(const Edit&) = delete;

    // What the user did, in French, as the history lists it: "Supprimer la box 7".
    virtual std::string name() const = 0;
    virtual DocumentChange apply(BoxDocument& document) = 0;
    virtual DocumentChange revert(BoxDocument& document) = 0;
};
