#include "BoxCategories.h"

#include "ViewScene.h"

#include <algorithm>

void BoxCategories::setScene(const ViewScene* scene) {
    scene_ = scene;
    partner_.assign(scene_ ? scene_->size() : 0, 0);
}

void BoxCategories::setShownBox(std::optional<std::size_t> rank) {
    std::fill(partner_.begin(), partner_.end(), 0);
    if (scene_ && rank) {
        for (const std::size_t partner : scene_->partnersOf(*rank)) {
            partner_[partner] = 1;
        }
    }
}

unsigned char BoxCategories::of(std::size_t rank) const {
    if (scene_->hasError[rank]) {
        return FaultyBox;
    }
    return partner_[rank] ? PartnerBox : PlainBox;
}
