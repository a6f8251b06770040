#pragma once

#include "SceneFrame.h"

#include <QPointF>
#include <cstddef>
#include <optional>

class OrbitCamera;
struct Solid;

// The box drawn at a pixel of a frame, the nearest one when several are. The shown box, drawn
// over the frame and standing for the box of that rank, is looked at first; null when none is.
std::optional<std::size_t> boxAt(const SceneFrame& frame, const OrbitCamera& camera,
                                 const Solid* shown, std::optional<std::size_t> shownRank,
                                 QPointF pixel);
// Where a frame drew a box: the middle of its outline, or its point.
std::optional<QPointF> drawnPositionOf(const SceneFrame& frame, std::size_t rank);
