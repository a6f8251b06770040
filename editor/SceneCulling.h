#pragma once

#include "SceneFrame.h"

#include <QSize>
#include <cstddef>
#include <optional>

class BoxCategories;
class OrbitCamera;
struct ViewScene;

// Boxes drawn in full in one frame at most; the others nearest the focus win.
inline constexpr std::size_t fullBoxBudget = 1500;

// Chooses what a frame draws: culls the cells of the scene's grid out of view, then each box of
// the others by its sphere; keeps in full the boxes big enough on screen, nearest the focus
// first, within the budget; the rest become points, and the boxes without a solid crosses. The
// skipped box is drawn apart, over the frame.
void chooseWhatToDraw(SceneFrame& frame, const ViewScene& scene, const BoxCategories& categories,
                      const OrbitCamera& camera, QSize viewport,
                      std::optional<std::size_t> skipped);
