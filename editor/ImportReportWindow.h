#pragma once

#include "modelimport.h"

#include <QWidget>

class QLabel;
class QTreeWidget;

// What an import did, mesh by mesh: the box each became, how well it fits, and the meshes left
// out and why. A window of its own, so that the scene can be looked at beside it.
class ImportReportWindow : public QWidget {
    Q_OBJECT

public:
    explicit ImportReportWindow(QWidget* owner);

    void showReport(const QString& fileName, const ImportReport& report);

    QLabel* summary() const { return summary_; }
    QTreeWidget* list() const { return list_; }

private:
    QLabel* summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
};

// The summary line above the list: "12 box ajoutées depuis « salle.glb », 3 intersections."
// and what was left out.
QString importSummary(const QString& fileName, const ImportReport& report);
