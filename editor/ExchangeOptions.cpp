#include "ExchangeOptions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

ImportOptionsDialog::ImportOptionsDialog(const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Importer un modèle"));
    auto* source = new QLabel(tr("Une box par forme de « %1 ».").arg(fileName));
    source->setTextFormat(Qt::PlainText);

    auto* meshBox = new QGroupBox(tr("Formes"));
    allMeshes_ = new QRadioButton(tr("Toutes les formes"));
    collisionOnly_ =
        new QRadioButton(tr("Seulement les formes de collision (UBX_, UCX_, -col, -colonly, "
                            "-convcolonly)"));
    allMeshes_->setChecked(true);
    auto* meshLayout = new QVBoxLayout(meshBox);
    meshLayout->addWidget(allMeshes_);
    meshLayout->addWidget(collisionOnly_);

    auto* idBox = new QGroupBox(tr("IDs des nouvelles box"));
    afterHighest_ = new QRadioButton(tr("À la suite du plus grand ID du document"));
    fromFirstId_ = new QRadioButton(tr("À partir de l'ID :"));
    firstId_ = new QLineEdit;
    firstId_->setAccessibleName(tr("Premier ID"));
    // Up to 19 digits: every such number fits the importer's counter.
    firstId_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,19}")), this));
    firstId_->setEnabled(false);
    afterHighest_->setChecked(true);
    auto* firstIdRow = new QHBoxLayout;
    firstIdRow->addWidget(fromFirstId_);
    firstIdRow->addWidget(firstId_, 1);
    auto* idLayout = new QVBoxLayout(idBox);
    idLayout->addWidget(afterHighest_);
    idLayout->addLayout(firstIdRow);

    auto* buttons = new QDialogButtonBox;
    importButton_ = buttons->addButton(tr("Importer"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Annuler"), QDialogButtonBox::RejectRole);
    importButton_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source);
    layout->addWidget(meshBox);
    layout->addWidget(idBox);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(fromFirstId_, &QRadioButton::toggled, this, [this](bool checked) {
        firstId_->setEnabled(checked);
        if (checked) {
            firstId_->setFocus();
        }
        updateAcceptance();
    });
    connect(firstId_, &QLineEdit::textChanged, this, &ImportOptionsDialog::updateAcceptance);
}

// A first ID asked for must be given.
void ImportOptionsDialog::updateAcceptance() {
    importButton_->setEnabled(!fromFirstId_->isChecked() || !firstId_->text().isEmpty());
}

ImportOptions ImportOptionsDialog::options() const {
    ImportOptions options;
    options.collisionOnly = collisionOnly_->isChecked();
    if (fromFirstId_->isChecked() && !firstId_->text().isEmpty()) {
        options.firstId = firstId_->text().toULongLong();
    }
    return options;
}

ExportOptionsDialog::ExportOptionsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Exporter les box"));
    auto* text = new QLabel(tr("Une forme par box, nommée d'après son ID et son rang "
                               "(box_12_r3), en OBJ, glTF binaire (.glb), Collada (.dae) ou FBX. "
                               "STL et PLY n'ont qu'une forme, sans nom ni lignes, qui reçoit "
                               "toutes les box."));
    text->setWordWrap(true);
    intersections_ = new QCheckBox(tr("Ajouter les intersections, en lignes entre les centres"));
    auto* buttons = new QDialogButtonBox;
    QPushButton* exportButton = buttons->addButton(tr("Exporter..."), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Annuler"), QDialogButtonBox::RejectRole);
    exportButton->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(intersections_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool ExportOptionsDialog::withIntersections() const {
    return intersections_->isChecked();
}
