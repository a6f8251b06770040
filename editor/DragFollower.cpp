#include "DragFollower.h"

#include "BoxDragger.h"
#include "BoxForm.h"
#include "QuadrelDlg.h"
#include "orlclass.h"
#include "snapping.h"

#include <QComboBox>

namespace {

ShapeTexts shapeTextsOfForm(const BoxTexts& texts) {
    ShapeTexts shape;
    for (std::size_t axis = 0; axis < shape.centre.size(); ++axis) {
        shape.centre[axis] = texts[boxslot::centre(axis)];
    }
    for (std::size_t k = 0; k < shape.planes.size(); ++k) {
        shape.planes[k] = texts[boxslot::plane(k)];
    }
    shape.maxRadius = texts[boxslot::radius];
    return shape;
}

QString stepName(double step) {
    if (step == 0) {
        return QObject::tr("aucune");
    }
    if (step < 1) {
        return QStringLiteral("1/%1").arg(static_cast<int>(1 / step));
    }
    return QString::number(static_cast<int>(step));
}

} // namespace

DragFollower::DragFollower(QuadrelDlg& mainWindow, BoxDragger& dragger, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), dragger_(dragger) {
    connect(&dragger_, &BoxDragger::dragMoved, this, [this](const ShapeTexts& texts) {
        if (keptForm_.empty()) {
            keepForm();
        }
        mainWindow_.showShapeInForm(texts);
    });
    connect(&dragger_, &BoxDragger::dragCancelled, this, [this] { restoreForm(); });
    connect(&dragger_, &BoxDragger::reshaped, this,
            [this](ShapeChange change, const ShapeTexts& texts) {
                keptForm_.clear();
                mainWindow_.reshapeShownBox(change, texts);
            });
}

void DragFollower::follow(std::optional<std::size_t> rank, const BoxTexts& texts) {
    const BoxDocument* document = mainWindow_.document();
    const bool ofDocument =
        rank && document && mainWindow_.hasDocument() && *rank < document->boxes.size();
    dragger_.setBox(ofDocument ? std::optional<ShapeTexts>(shapeTextsOfForm(texts)) : std::nullopt);
}

QComboBox* DragFollower::makeGridChooser() {
    auto* chooser = new QComboBox;
    chooser->setAccessibleName(tr("Grille"));
    chooser->setToolTip(tr("Les déplacements et les dimensions s'arrêtent sur ce pas ; avec une "
                           "grille, les rotations vont de 15° en 15°"));
    for (const double step : GRID_STEPS) {
        chooser->addItem(stepName(step), step);
    }
    chooser->setCurrentIndex(chooser->findData(dragger_.grid()));
    connect(chooser, &QComboBox::currentIndexChanged, this,
            [this, chooser](int index) { dragger_.setGrid(chooser->itemData(index).toDouble()); });
    return chooser;
}

void DragFollower::keepForm() {
    mainWindow_.pullFromControls();
    keptForm_.clear();
    keptForm_.emplace_back(radiusFieldId, mainWindow_.text(radiusFieldId));
    for (const FieldPair& pair : fieldPairs()) {
        keptForm_.emplace_back(pair.hexId, mainWindow_.text(pair.hexId));
        keptForm_.emplace_back(pair.decimalId, mainWindow_.text(pair.decimalId));
    }
}

void DragFollower::restoreForm() {
    if (keptForm_.empty()) {
        return;
    }
    mainWindow_.pullFromControls();
    for (const auto& [id, text] : keptForm_) {
        mainWindow_.text(id) = text;
    }
    keptForm_.clear();
    mainWindow_.pushToControls();
}
