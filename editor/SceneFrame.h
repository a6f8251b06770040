#pragma once

#include <QPointF>
#include <cstddef>
#include <cstdint>
#include <vector>

// Half the side of the cross that stands for a box without a solid, in pixels.
inline constexpr int crossHalf = 5;

// What one frame of the 3D view drew, kept for the next frame and for finding the box under
// the pointer.
struct SceneFrame {
    struct FullBox {
        std::size_t rank;
        double depth;
        // Its projected vertices in projected, when all of them lie before the eye.
        std::size_t first;
        std::size_t count;
    };

    // Far boxes first.
    std::vector<FullBox> full;
    std::vector<QPointF> projected;
    // Ranks fit in 32 bits, as the culling grid keeps them: a frame may hold a point for most
    // of a scene's boxes.
    std::vector<std::uint32_t> pointRanks;
    std::vector<QPointF> points;
    std::vector<QPointF> crosses;
    std::vector<unsigned char> crossCategories;

    void clear() {
        full.clear();
        projected.clear();
        pointRanks.clear();
        points.clear();
        crosses.clear();
        crossCategories.clear();
    }
};
