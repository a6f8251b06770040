#include "AddShapedBoxDialog.h"

#include "ShapeFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AddShapedBoxDialog::AddShapedBoxDialog(const Vec3& centre, QWidget* parent)
    : QDialog(parent), centre_(centre) {
    setWindowTitle(tr("Ajouter une box - Quadrel"));
    // Wide enough for the window manager to show the whole title beside its buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    auto* where = new QLabel(
        tr("Centre : le point que regarde la vue 3D, (%1 ; %2 ; %3).")
            .arg(frenchNumber(centre.x), frenchNumber(centre.y), frenchNumber(centre.z)));
    where->setWordWrap(true);
    auto* form = new QFormLayout;
    const struct {
        const char* label;
        const char* name;
        const char* initial;
    } rows[] = {
        {"&Longueur :", "Longueur, entre les plans 0 et 5", "1"},
        {"L&argeur :", "Largeur, entre les plans 1 et 3", "1"},
        {"&Hauteur :", "Hauteur, entre les plans 2 et 4", "1"},
        {"La&cet (degrés) :", "Lacet en degrés, autour de Z", "0"},
        {"&Tangage (degrés) :", "Tangage en degrés, autour de Y", "0"},
        {"&Roulis (degrés) :", "Roulis en degrés, autour de X", "0"},
    };
    for (std::size_t index = 0; index < fields_.size(); ++index) {
        fields_[index] = addNumberField(*form, QString::fromUtf8(rows[index].label),
                                        QString::fromUtf8(rows[index].name));
        fields_[index]->setText(QString::fromUtf8(rows[index].initial));
    }
    message_ = new QLabel;
    message_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("Ajouter"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Annuler"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addLayout(form);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddShapedBoxDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    fields_[0]->selectAll();
}

void AddShapedBoxDialog::accept() {
    std::array<double, 6> values{};
    for (std::size_t index = 0; index < fields_.size(); ++index) {
        const std::optional<double> value = readFrenchNumber(fields_[index]->text());
        if (!value) {
            message_->setText(tr("%1 : « %2 » n'est pas un nombre.")
                                  .arg(fields_[index]->accessibleName(), fields_[index]->text()));
            fields_[index]->setFocus();
            return;
        }
        values[index] = *value;
    }
    shape_ =
        BoxShape{centre_, {values[0], values[1], values[2]}, {values[3], values[4], values[5]}};
    QDialog::accept();
}
