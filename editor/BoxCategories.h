#pragma once

#include "ScenePalette.h"

#include <cstddef>
#include <optional>
#include <vector>

struct ViewScene;

// The category of every box of a scene: faulty when a problem of severity error names it, a
// partner when a listed intersection pairs it with the box shown, plain otherwise.
class BoxCategories {
public:
    void setScene(const ViewScene* scene);
    void setShownBox(std::optional<std::size_t> rank);

    unsigned char of(std::size_t rank) const;
    // The boxes of another category than plain, each once.
    const std::vector<std::size_t>& marked() const { return marked_; }

private:
    const ViewScene* scene_ = nullptr;
    std::vector<unsigned char> partner_;
    std::vector<std::size_t> faulty_;
    std::vector<std::size_t> marked_;
};
