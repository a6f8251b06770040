#pragma once

#include "modelimport.h"

#include <QRect>
#include <QWidget>
#include <optional>

class QLabel;
class QTreeWidget;

// What an import did, mesh by mesh: the box each became, how well it fits, and the meshes left
// out and why. A window of its own, so that the scene can be looked at beside it: it opens
// beside the main window, covering neither it nor the other windows when the screen leaves
// room, and within a run reopens where it was left.
class ImportReportWindow : public QWidget {
    Q_OBJECT

public:
    ImportReportWindow(QWidget* owner, const QWidget& mainWindow);

    void showReport(const QString& fileName, const ImportReport& report);

    QLabel* summary() const { return summary_; }
    QTreeWidget* list() const { return list_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    const QWidget& mainWindow_;
    std::optional<QRect> lastGeometry_;
    QLabel* summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
};

// The summary line above the list: "12 box ajoutées depuis « salle.glb », 3 intersections."
// and what was left out.
QString importSummary(const QString& fileName, const ImportReport& report);
