#include "ShapePanel.h"

#include "QuadrelDlg.h"
#include "ShapeFields.h"
#include "boxshape.h"
#include "boxvalues.h"
#include "orlclass.h"
#include "shapetexts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

struct ValueCaption {
    const char* label;
    const char* accessibleName;
};

// Three to a row: where the box is, how large, how it is turned.
constexpr std::array<ValueCaption, ShapePanel::valueCount> captions{{
    {"Centre &X :", "Centre X"},
    {"Centre &Y :", "Centre Y"},
    {"Centre &Z :", "Centre Z"},
    {"&Longueur :", "Longueur, entre les plans 0 et 5"},
    {"L&argeur :", "Largeur, entre les plans 1 et 3"},
    {"&Hauteur :", "Hauteur, entre les plans 2 et 4"},
    {"La&cet :", "Lacet en degrés, autour de Z"},
    {"&Tangage :", "Tangage en degrés, autour de Y"},
    {"&Roulis :", "Roulis en degrés, autour de X"},
}};

std::array<double, ShapePanel::valueCount> valuesOf(const BoxShape& shape) {
    return {shape.centre.x,      shape.centre.y,      shape.centre.z,
            shape.dimensions[0], shape.dimensions[1], shape.dimensions[2],
            shape.angles.yaw,    shape.angles.pitch,  shape.angles.roll};
}

BoxShape shapeOfValues(const std::array<double, ShapePanel::valueCount>& v) {
    return {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
}

// Angles to a thousandth of a degree: the file's normals, steps of 1/16384, hold no finer turn.
QString shownNumber(std::size_t index, double value) {
    return index >= 6 ? frenchNumber(std::round(value * 1000) / 1000) : frenchNumber(value);
}

bool isEmptyForm(const BoxTexts& texts) {
    return std::all_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty(); });
}

} // namespace

ShapePanel::ShapePanel(QuadrelDlg& mainWindow) : QGroupBox(tr("Forme")), mainWindow_(mainWindow) {
    status_ = new QLabel;
    status_->setWordWrap(true);
    auto* grid = new QGridLayout;
    for (std::size_t index = 0; index < valueCount; ++index) {
        auto* field = new QLineEdit;
        field->setAccessibleName(QString::fromUtf8(captions[index].accessibleName));
        field->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-131071,0000")) + 8);
        auto* caption = new QLabel(QString::fromUtf8(captions[index].label));
        caption->setBuddy(field);
        // Each caption above its field, three to a row: the window stays narrow enough to sit
        // beside the main window.
        const int row = static_cast<int>(index / 3) * 2;
        const int column = static_cast<int>(index % 3);
        grid->addWidget(caption, row, column);
        grid->addWidget(field, row + 1, column);
        fields_[index] = field;
        connect(field, &QLineEdit::textEdited, this, &ShapePanel::writeIntoForm);
    }
    auto* units = new QLabel(tr("Unités de la scène, Z vers le haut ; angles en degrés."));
    units->setWordWrap(true);
    units->setForegroundRole(QPalette::PlaceholderText);
    drift_ = new QLabel;
    drift_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addLayout(grid);
    layout->addWidget(units);
    layout->addWidget(drift_);
    connect(&mainWindow_, &QuadrelDlg::formChanged, this, &ShapePanel::followForm);
    followForm();
}

void ShapePanel::followForm() {
    if (writing_) {
        return;
    }
    drift_->clear();
    shown_.reset();
    const BoxTexts texts = mainWindow_.shownBoxTexts();
    const auto show = [this](const std::array<QString, valueCount>& shown) {
        for (std::size_t index = 0; index < valueCount; ++index) {
            fields_[index]->setText(shown[index]);
        }
    };
    if (isEmptyForm(texts)) {
        status_->setText(tr("Aucune box dans le formulaire."));
        show({});
        return;
    }
    const QString id = QString::fromStdString(texts[boxslot::id]);
    const ShapeReading reading = shapeOf(decodeBoxValues(texts));
    if (const auto* fault = std::get_if<ShapeFault>(&reading)) {
        status_->setText(tr("Box %1 : pas un bloc rectangulaire, %2.")
                             .arg(id, QString::fromStdString(shapeFaultText(*fault))));
        show({});
        return;
    }
    status_->setText(tr("Box %1").arg(id));
    shown_ = valuesOf(std::get<BoxShape>(reading));
    std::array<QString, valueCount> shown;
    for (std::size_t index = 0; index < valueCount; ++index) {
        shown[index] = shownNumber(index, (*shown_)[index]);
    }
    show(shown);
}

// Every value must read for the box to be written: the form keeps its texts until they do.
// Values of the shape read from the form that the user did not type stay at their full
// precision, not as the fields round them.
void ShapePanel::writeIntoForm() {
    std::array<double, valueCount> values{};
    for (std::size_t index = 0; index < valueCount; ++index) {
        if (shown_ && fields_[index]->text() == shownNumber(index, (*shown_)[index])) {
            values[index] = (*shown_)[index];
            continue;
        }
        const std::optional<double> value = readFrenchNumber(fields_[index]->text());
        if (!value) {
            drift_->setText(tr("%1 : « %2 » n'est pas un nombre.")
                                .arg(QString::fromUtf8(captions[index].accessibleName),
                                     fields_[index]->text()));
            return;
        }
        values[index] = *value;
    }
    const auto written = writeShape(shapeOfValues(values));
    if (const auto* fault = std::get_if<ShapeFault>(&written)) {
        drift_->setText(
            tr("Rien d'écrit : %1.").arg(QString::fromStdString(shapeFaultText(*fault))));
        return;
    }
    const WrittenShape& shape = std::get<WrittenShape>(written);
    std::vector<std::pair<std::size_t, std::string>> slotTexts{
        {boxslot::radius, shape.texts.maxRadius}};
    for (std::size_t axis = 0; axis < shape.texts.centre.size(); ++axis) {
        slotTexts.emplace_back(boxslot::centre(axis), shape.texts.centre[axis]);
    }
    for (std::size_t k = 0; k < shape.texts.planes.size(); ++k) {
        slotTexts.emplace_back(boxslot::plane(k), shape.texts.planes[k]);
    }
    writing_ = true;
    mainWindow_.typeIntoForm(slotTexts);
    writing_ = false;
    drift_->setText(
        tr("Écart des coins : %1 (%2 pas de 1/16384) ; « Valider » l'applique.")
            .arg(frenchNumber(shape.cornerDrift),
                 frenchNumber(std::round(shape.cornerDrift * STEPS_PER_UNIT * 100) / 100)));
}
