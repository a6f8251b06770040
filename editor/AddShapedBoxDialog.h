#pragma once

#include "boxshape.h"

#include <QDialog>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;

// "Ajouter une box": the dimensions and angles of a new block whose centre is given, the point
// the 3D view looks at. "Ajouter" closes it only once every value reads.
class AddShapedBoxDialog : public QDialog {
    Q_OBJECT

public:
    AddShapedBoxDialog(const Vec3& centre, QWidget* parent);

    // The block asked for, once accepted.
    const std::optional<BoxShape>& shape() const { return shape_; }

private:
    void accept() override;

    Vec3 centre_;
    // Length, width, height, yaw, pitch, roll.
    std::array<QLineEdit*, 6> fields_{};
    QLabel* message_ = nullptr;
    std::optional<BoxShape> shape_;
};
