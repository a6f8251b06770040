#pragma once

#include "BoxTransformEdits.h"

#include <QGroupBox>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QuadrelDlg;

// "Transformer": move, turn, resize, mirror, duplicate and stick the box of the form, each
// click one edit of the document that one undo takes back. A tool that cannot apply says why in
// one line and changes nothing.
class TransformTools : public QGroupBox {
    Q_OBJECT

public:
    explicit TransformTools(QuadrelDlg& mainWindow);

    // Why the last click changed nothing, or what it did.
    QLabel* messageLine() const { return message_; }

    // The values each tool reads when its button is clicked.
    struct Fields {
        std::array<QLineEdit*, 3> move{};
        QComboBox* turnAxis = nullptr;
        QLineEdit* turnAngle = nullptr;
        QComboBox* resizeFrom = nullptr;
        QLineEdit* resizeDimension = nullptr;
        QComboBox* mirrorAxis = nullptr;
        std::array<QLineEdit*, 3> duplicate{};
        QComboBox* stickPlane = nullptr;
        QLineEdit* stickOtherId = nullptr;
        QComboBox* stickOtherPlane = nullptr;
    };
    const Fields& fields() const { return fields_; }

private:
    using EditMaker = std::function<TransformEdit(const BoxDocument&, std::size_t rank)>;

    QPushButton* addToolRow(QGridLayout& grid, int row, const QString& label, QWidget* firstField,
                            const std::vector<QWidget*>& parameters, const QString& buttonText);
    // The box of the form while the form shows it as the document holds it; otherwise none,
    // with the reason told.
    std::optional<std::size_t> boxToTransform();
    std::optional<double> readNumber(QLineEdit* field, const QString& what);
    std::optional<Vec3> readVector(const std::array<QLineEdit*, 3>& fields, const QString& what);
    void apply(const EditMaker& make);
    std::optional<std::size_t> rankOfId(const QString& id) const;

    void applyMove();
    void applyTurn();
    void applyResize();
    void applyMirror();
    void applyDuplicate();
    void applyStick();

    QuadrelDlg& mainWindow_;
    Fields fields_;
    QLabel* message_ = nullptr;
};
