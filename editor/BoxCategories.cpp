#include "BoxCategories.h"

#include "ViewScene.h"

#include <algorithm>

void BoxCategories::setScene(const ViewScene* scene) {
    scene_ = scene;
    partner_.assign(scene_ ? scene_->size() : 0, 0);
    faulty_.clear();
    for (std::size_t rank = 0; scene_ && rank < scene_->hasError.size(); ++rank) {
        if (scene_->hasError[rank]) {
            faulty_.push_back(rank);
        }
    }
    marked_ = faulty_;
}

void BoxCategories::setShownBox(std::optional<std::size_t> rank) {
    for (const std::size_t marked : marked_) {
        partner_[marked] = 0;
    }
    marked_ = faulty_;
    if (scene_ && rank) {
        for (const std::size_t partner : scene_->partnersOf(*rank)) {
            if (!partner_[partner] && !scene_->hasError[partner]) {
                marked_.push_back(partner);
            }
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
