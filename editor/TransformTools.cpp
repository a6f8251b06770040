#include "TransformTools.h"

#include "QuadrelDlg.h"
#include "ShapeFields.h"
#include "orlclass.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QLineEdit* numberField(const QString& accessibleName, const QString& initial) {
    auto* field = new QLineEdit(initial);
    field->setAccessibleName(accessibleName);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-131071,00")) +
                           12);
    return field;
}

std::array<QLineEdit*, 3> vectorFields(const QString& what) {
    return {numberField(what + QStringLiteral(" en X"), QStringLiteral("0")),
            numberField(what + QStringLiteral(" en Y"), QStringLiteral("0")),
            numberField(what + QStringLiteral(" en Z"), QStringLiteral("0"))};
}

QComboBox* choice(const QString& accessibleName, const QStringList& entries) {
    auto* box = new QComboBox;
    box->setAccessibleName(accessibleName);
    box->addItems(entries);
    return box;
}

QStringList planeEntries() {
    QStringList entries;
    for (int plane = 0; plane < 6; ++plane) {
        entries << QStringLiteral("plan %1").arg(plane);
    }
    return entries;
}

// Own axis k is the normal of plane k; its opposite plane is 5, 3 or 4.
const QStringList ownAxisEntries{QStringLiteral("axe propre 0 (plans 0 et 5)"),
                                 QStringLiteral("axe propre 1 (plans 1 et 3)"),
                                 QStringLiteral("axe propre 2 (plans 2 et 4)")};

} // namespace

TransformTools::TransformTools(QuadrelDlg& mainWindow)
    : QGroupBox(tr("Transformer")), mainWindow_(mainWindow) {
    fields_.move = vectorFields(tr("Déplacement"));
    fields_.turnAxis =
        choice(tr("Axe de rotation"),
               QStringList{tr("autour de X"), tr("autour de Y"), tr("autour de Z"),
                           tr("axe propre 0"), tr("axe propre 1"), tr("axe propre 2")});
    fields_.turnAngle = numberField(tr("Angle en degrés"), QStringLiteral("15"));
    QStringList resizeEntries = planeEntries();
    for (int axis = 0; axis < 3; ++axis) {
        resizeEntries << tr("centre, axe %1").arg(axis);
    }
    fields_.resizeFrom = choice(tr("Redimensionner depuis"), resizeEntries);
    fields_.resizeDimension = numberField(tr("Nouvelle dimension"), QStringLiteral("1"));
    fields_.mirrorAxis = choice(tr("Retourner selon"), ownAxisEntries);
    fields_.duplicate = vectorFields(tr("Décalage de la copie"));
    fields_.stickPlane = choice(tr("Plan de cette box"), planeEntries());
    fields_.stickOtherId = new QLineEdit;
    fields_.stickOtherId->setAccessibleName(tr("ID de l'autre box"));
    fields_.stickOtherId->setMaximumWidth(
        fields_.stickOtherId->fontMetrics().horizontalAdvance("0000000") + 12);
    fields_.stickOtherPlane = choice(tr("Plan de l'autre box"), planeEntries());

    auto* grid = new QGridLayout;
    int row = 0;
    auto* moveButton =
        addToolRow(*grid, row++, tr("&Déplacer de :"), fields_.move[0],
                   {fields_.move[0], fields_.move[1], fields_.move[2]}, tr("Déplacer"));
    auto* turnButton =
        addToolRow(*grid, row++, tr("Tour&ner :"), fields_.turnAxis,
                   {fields_.turnAxis, fields_.turnAngle, new QLabel(tr("degrés"))}, tr("Tourner"));
    auto* resizeButton =
        addToolRow(*grid, row++, tr("Redimen&sionner :"), fields_.resizeFrom,
                   {fields_.resizeFrom, fields_.resizeDimension}, tr("Redimensionner"));
    auto* mirrorButton = addToolRow(*grid, row++, tr("Retourner, en &miroir :"), fields_.mirrorAxis,
                                    {fields_.mirrorAxis}, tr("Retourner"));
    auto* duplicateButton = addToolRow(
        *grid, row++, tr("Dupl&iquer de :"), fields_.duplicate[0],
        {fields_.duplicate[0], fields_.duplicate[1], fields_.duplicate[2]}, tr("Dupliquer"));
    auto* stickButton = addToolRow(*grid, row++, tr("Coller l&e :"), fields_.stickPlane,
                                   {fields_.stickPlane, new QLabel(tr("contre la box")),
                                    fields_.stickOtherId, fields_.stickOtherPlane},
                                   tr("Coller"));
    message_ = new QLabel;
    message_->setWordWrap(true);
    // Room for two lines, so that a message does not make the window jump.
    message_->setMinimumHeight(message_->fontMetrics().lineSpacing() * 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(message_);

    connect(moveButton, &QPushButton::clicked, this, &TransformTools::applyMove);
    connect(turnButton, &QPushButton::clicked, this, &TransformTools::applyTurn);
    connect(resizeButton, &QPushButton::clicked, this, &TransformTools::applyResize);
    connect(mirrorButton, &QPushButton::clicked, this, &TransformTools::applyMirror);
    connect(duplicateButton, &QPushButton::clicked, this, &TransformTools::applyDuplicate);
    connect(stickButton, &QPushButton::clicked, this, &TransformTools::applyStick);
}

QPushButton* TransformTools::addToolRow(QGridLayout& grid, int row, const QString& label,
                                        QWidget* firstField,
                                        const std::vector<QWidget*>& parameters,
                                        const QString& buttonText) {
    auto* caption = new QLabel(label);
    caption->setBuddy(firstField);
    auto* line = new QHBoxLayout;
    for (QWidget* parameter : parameters) {
        line->addWidget(parameter);
    }
    line->addStretch(1);
    auto* button = new QPushButton(buttonText);
    // The caption above its values, the button at their end: narrow enough to sit beside the
    // main window.
    grid.addWidget(caption, row * 2, 0, 1, 2);
    grid.addLayout(line, row * 2 + 1, 0);
    grid.addWidget(button, row * 2 + 1, 1);
    return button;
}

std::optional<std::size_t> TransformTools::boxToTransform() {
    const BoxDocument* document = mainWindow_.document();
    const std::optional<std::size_t> rank = mainWindow_.shownRank();
    if (document == nullptr || !mainWindow_.hasDocument() || !rank ||
        *rank >= document->boxes.size()) {
        message_->setText(tr("Choisir d'abord une box de la liste."));
        return std::nullopt;
    }
    const Box& box = document->boxes.at(*rank);
    const BoxTexts shown = mainWindow_.shownBoxTexts();
    for (std::size_t slot = 0; slot < shown.size(); ++slot) {
        if (shown[slot] != boxTextAt(box, slot)) {
            // Transforming the stored box would throw away what the form holds.
            message_->setText(tr("Le formulaire a des changements : « Valider » d'abord."));
            return std::nullopt;
        }
    }
    return rank;
}

std::optional<double> TransformTools::readNumber(QLineEdit* field, const QString& what) {
    const std::optional<double> value = readFrenchNumber(field->text());
    if (!value) {
        message_->setText(tr("%1 : « %2 » n'est pas un nombre.").arg(what, field->text()));
    }
    return value;
}

std::optional<Vec3> TransformTools::readVector(const std::array<QLineEdit*, 3>& fields,
                                               const QString& what) {
    std::array<double, 3> values{};
    for (std::size_t axis = 0; axis < fields.size(); ++axis) {
        const std::optional<double> value = readNumber(fields[axis], what);
        if (!value) {
            return std::nullopt;
        }
        values[axis] = *value;
    }
    return Vec3{values[0], values[1], values[2]};
}

void TransformTools::apply(const EditMaker& make) {
    const std::optional<std::size_t> rank = boxToTransform();
    if (!rank) {
        return;
    }
    TransformEdit edit = make(*mainWindow_.document(), *rank);
    if (const auto* fault = std::get_if<ShapeFault>(&edit)) {
        message_->setText(
            tr("Rien de changé : %1.").arg(QString::fromStdString(shapeFaultText(*fault))));
        return;
    }
    auto& made = std::get<std::unique_ptr<Edit>>(edit);
    const QString name = QString::fromStdString(made->name());
    mainWindow_.applyBoxEdit(std::move(made));
    message_->setText(tr("Fait : %1.").arg(name));
}

void TransformTools::applyMove() {
    if (const auto offset = readVector(fields_.move, tr("Déplacement"))) {
        apply([offset](const BoxDocument& document, std::size_t rank) {
            return moveBoxEdit(document, rank, *offset);
        });
    }
}

void TransformTools::applyTurn() {
    const std::optional<double> degrees = readNumber(fields_.turnAngle, tr("Angle"));
    if (!degrees) {
        return;
    }
    const int picked = fields_.turnAxis->currentIndex();
    apply([picked, degrees](const BoxDocument& document, std::size_t rank) {
        if (picked < 3) {
            return rotateBoxEdit(document, rank, static_cast<SceneAxis>(picked), *degrees);
        }
        return rotateAboutOwnAxisEdit(document, rank, picked - 3, *degrees);
    });
}

void TransformTools::applyResize() {
    const std::optional<double> dimension = readNumber(fields_.resizeDimension, tr("Dimension"));
    if (!dimension) {
        return;
    }
    const int picked = fields_.resizeFrom->currentIndex();
    apply([picked, dimension](const BoxDocument& document, std::size_t rank) {
        if (picked < 6) {
            return resizeFromFaceEdit(document, rank, picked, *dimension);
        }
        return resizeFromCentreEdit(document, rank, picked - 6, *dimension);
    });
}

void TransformTools::applyMirror() {
    const int axis = fields_.mirrorAxis->currentIndex();
    apply([axis](const BoxDocument& document, std::size_t rank) {
        return mirrorBoxEdit(document, rank, axis);
    });
}

void TransformTools::applyDuplicate() {
    if (const auto offset = readVector(fields_.duplicate, tr("Décalage"))) {
        apply([offset](const BoxDocument& document, std::size_t rank) {
            return duplicateBoxEdit(document, rank, *offset);
        });
    }
}

void TransformTools::applyStick() {
    const QString otherId = fields_.stickOtherId->text().trimmed();
    const std::optional<std::size_t> otherRank = rankOfId(otherId);
    if (!otherRank) {
        message_->setText(otherId.isEmpty() ? tr("Donner l'ID de l'autre box.")
                                            : tr("Aucune box ne porte l'ID %1.").arg(otherId));
        return;
    }
    if (otherRank == mainWindow_.shownRank()) {
        message_->setText(tr("Une box ne se colle pas contre elle-même."));
        return;
    }
    const int plane = fields_.stickPlane->currentIndex();
    const int otherPlane = fields_.stickOtherPlane->currentIndex();
    apply([plane, otherRank, otherPlane](const BoxDocument& document, std::size_t rank) {
        return stickBoxTo(document, rank, plane, *otherRank, otherPlane);
    });
}

std::optional<std::size_t> TransformTools::rankOfId(const QString& id) const {
    const BoxDocument* document = mainWindow_.document();
    if (document == nullptr || id.isEmpty()) {
        return std::nullopt;
    }
    return document->findRankById(id.toStdString());
}
