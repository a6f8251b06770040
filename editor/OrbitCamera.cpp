#include "OrbitCamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double verticalFieldOfView = 50 * std::numbers::pi / 180;
constexpr double pitchLimit = std::numbers::pi / 2 - 0.01;
constexpr double shortestDistance = 1e-3;
constexpr double longestDistance = 1e7;

Vec3 normalised(const Vec3& v) {
    const double l = length(v);
    return l > 0 ? v * (1 / l) : v;
}

} // namespace

// Seen from the front right and a little above, as one first looks at a model.
OrbitCamera::OrbitCamera() : yaw_(-std::numbers::pi / 3), pitch_(0.45) {
    update();
}

void OrbitCamera::setViewport(QSize size) {
    if (size != viewport_) {
        viewport_ = size;
        update();
    }
}

void OrbitCamera::orbit(double yawStep, double pitchStep) {
    yaw_ = std::remainder(yaw_ + yawStep, 2 * std::numbers::pi);
    pitch_ = std::clamp(pitch_ + pitchStep, -pitchLimit, pitchLimit);
    update();
}

void OrbitCamera::zoom(double factor) {
    distance_ = std::clamp(distance_ * factor, shortestDistance, longestDistance);
    update();
}

void OrbitCamera::pan(double dx, double dy) {
    const double unitsPerPixel = distance_ / focal_;
    focus_ = focus_ - right_ * (dx * unitsPerPixel) + up_ * (dy * unitsPerPixel);
    update();
}

void OrbitCamera::frame(const Vec3& centre, double radius) {
    focus_ = centre;
    const double aspect = viewport_.height() > 0
                              ? double(viewport_.width()) / double(viewport_.height())
                              : 1.0;
    const double halfAngle = std::atan(std::tan(verticalFieldOfView / 2) * std::min(1.0, aspect));
    distance_ = std::clamp(std::max(radius, 1e-3) / std::sin(halfAngle) * 1.3, shortestDistance,
                           longestDistance);
    update();
}

void OrbitCamera::update() {
    const Vec3 back{std::cos(pitch_) * std::cos(yaw_), std::cos(pitch_) * std::sin(yaw_),
                    std::sin(pitch_)};
    eye_ = focus_ + back * distance_;
    forward_ = -back;
    right_ = normalised(cross(forward_, Vec3{0, 0, 1}));
    up_ = cross(right_, forward_);
    const int height = std::max(1, viewport_.height());
    focal_ = height / 2.0 / std::tan(verticalFieldOfView / 2);
    centreX_ = viewport_.width() / 2.0;
    centreY_ = height / 2.0;
    nearDepth_ = distance_ * 1e-3;
    ++version_;
}
