#pragma once

#include "modelimport.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Importer un modèle": which meshes become boxes, and from which ID they are numbered.
class ImportOptionsDialog : public QDialog {
    Q_OBJECT

public:
    ImportOptionsDialog(const QString& fileName, QWidget* parent);

    ImportOptions options() const;

private:
    void updateAcceptance();

    QRadioButton* allMeshes_ = nullptr;
    QRadioButton* collisionOnly_ = nullptr;
    QRadioButton* afterHighest_ = nullptr;
    QRadioButton* fromFirstId_ = nullptr;
    QLineEdit* firstId_ = nullptr;
    QPushButton* importButton_ = nullptr;
};

// "Exporter les box": whether the intersections go out too, as lines.
class ExportOptionsDialog : public QDialog {
    Q_OBJECT

public:
    explicit ExportOptionsDialog(QWidget* parent);

    bool withIntersections() const;

private:
    QCheckBox* intersections_ = nullptr;
};
