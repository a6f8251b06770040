#pragma once

#include "vec3.h"

#include <QPointF>
#include <QSize>

// A perspective camera that turns around a focus point, Z up. Angles in radians.
class OrbitCamera {
public:
    OrbitCamera();

    void setViewport(QSize size);
    QSize viewport() const { return viewport_; }

    // Turns around the focus: yaw about Z, pitch up and down, short of the poles.
    void orbit(double yawStep, double pitchStep);
    // Brings the eye nearer the focus (factor < 1) or farther.
    void zoom(double factor);
    // Moves the focus so that the scene follows the pointer by the given pixels.
    void pan(double dx, double dy);
    // Looks at a sphere from the current direction, from far enough to see all of it with a margin.
    void frame(const Vec3& centre, double radius);

    const Vec3& focus() const { return focus_; }
    double distance() const { return distance_; }
    Vec3 eye() const { return eye_; }
    const Vec3& forward() const { return forward_; }
    // The directions of the view's right and top, of length one.
    const Vec3& right() const { return right_; }
    const Vec3& up() const { return up_; }
    // Pixels per scene unit at a depth of one unit.
    double focalPixels() const { return focal_; }
    // The nearest depth drawn: anything nearer, or behind the eye, is cut away.
    double nearDepth() const { return nearDepth_; }

    // Distance from the eye along the view direction.
    double depthOf(const Vec3& point) const { return dot(point - eye_, forward_); }
    // The pixel a point at a depth of at least nearDepth falls on.
    QPointF project(const Vec3& point, double depth) const {
        const Vec3 relative = point - eye_;
        const double scale = focal_ / depth;
        return {centreX_ + dot(relative, right_) * scale, centreY_ - dot(relative, up_) * scale};
    }

    // The direction from the eye through a pixel, of length one at a depth of one unit.
    Vec3 rayThrough(QPointF pixel) const {
        return forward_ + right_ * ((pixel.x() - centreX_) / focal_) -
               up_ * ((pixel.y() - centreY_) / focal_);
    }

    // A value that changes whenever the view does, for caches of what was drawn.
    unsigned long long version() const { return version_; }

private:
    void update();

    QSize viewport_{640, 480};
    Vec3 focus_;
    double yaw_;
    double pitch_;
    double distance_ = 10;
    Vec3 eye_, forward_, right_, up_;
    double focal_ = 1;
    double centreX_ = 0, centreY_ = 0;
    double nearDepth_ = 0.01;
    unsigned long long version_ = 0;
};
