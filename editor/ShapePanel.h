#pragma once

#include <QGroupBox>
#include <array>
#include <cstddef>
#include <optional>

class QLabel;
class QLineEdit;
class QuadrelDlg;

// "Forme": the centre, dimensions and angles of the box the main window's form shows, following
// the form as it changes. A value typed here writes the whole box into the form, as texts that
// "Valider" then applies; a box that is no rectangular block says why in one line.
class ShapePanel : public QGroupBox {
    Q_OBJECT

public:
    // The nine values in order: centre X, Y, Z; length, width, height; yaw, pitch, roll.
    static constexpr std::size_t valueCount = 9;

    explicit ShapePanel(QuadrelDlg& mainWindow);

    // Reads the form again, unless the panel is the one writing it.
    void followForm();

    QLineEdit* field(std::size_t index) const { return fields_.at(index); }
    // Which box is shown, or why it has no shape.
    QLabel* statusLine() const { return status_; }
    // The largest distance between a corner asked for and the corner of the texts written.
    QLabel* driftLine() const { return drift_; }

private:
    void writeIntoForm();

    QuadrelDlg& mainWindow_;
    std::array<QLineEdit*, valueCount> fields_{};
    QLabel* status_ = nullptr;
    QLabel* drift_ = nullptr;
    // The values of the shape last read from the form, unrounded.
    std::optional<std::array<double, valueCount>> shown_;
    bool writing_ = false;
};
