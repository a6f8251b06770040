#include "ImportReportWindow.h"

#include "WindowPlacement.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

enum Column { MeshColumn, IdColumn, RankColumn, FilledColumn, OutsideColumn, NoteColumn };

// Wide enough for every column of a long name; the list still reads at the smallest.
const QSize preferredSize(820, 420);
const QSize smallestSize(480, 240);

// Numbers as a French reader writes them, with a decimal comma.
QString frenchNumber(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString plural(std::size_t count, const QString& one, const QString& many) {
    return QString::number(count) + QLatin1Char(' ') + (count > 1 ? many : one);
}

QString noteFor(const MeshReport& mesh) {
    switch (mesh.outcome) {
    case MeshReport::Outcome::NoVolume:
        return ImportReportWindow::tr("Sans volume (plate, ou une ligne) : ignorée");
    case MeshReport::Outcome::OutOfRange:
        return ImportReportWindow::tr("Trop grande pour le format BOX : ignorée");
    case MeshReport::Outcome::Added:
        break;
    }
    return mesh.notABox() ? ImportReportWindow::tr("Ce n'est pas une box : elle la remplit mal")
                          : QString();
}

} // namespace

ImportReportWindow::ImportReportWindow(QWidget* owner, const QWidget& mainWindow)
    : QWidget(owner, Qt::Window), mainWindow_(mainWindow) {
    setWindowTitle(tr("Rapport d'import - Quadrel"));
    summary_ = new QLabel;
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    list_ = new QTreeWidget;
    list_->setAccessibleName(tr("Formes importées"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({tr("Forme"), tr("ID"), tr("Rang"), tr("Remplissage"),
                            tr("Écart hors de la box"), tr("Remarque")});
    list_->header()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(tr("Fermer"), QDialogButtonBox::RejectRole);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    resize(preferredSize);
}

void ImportReportWindow::showReport(const QString& fileName, const ImportReport& report) {
    summary_->setText(importSummary(fileName, report));
    list_->clear();
    for (const MeshReport& mesh : report.meshes) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(MeshColumn, QString::fromStdString(mesh.name));
        if (mesh.outcome == MeshReport::Outcome::Added) {
            item->setText(IdColumn, QString::fromStdString(mesh.id));
            item->setText(RankColumn, QString::number(mesh.rank));
            item->setText(FilledColumn, frenchNumber(mesh.filled, 3));
            item->setText(OutsideColumn, frenchNumber(mesh.fit.outsideDistance, 6));
            item->setToolTip(FilledColumn, tr("Volume de la forme sur celui de sa box"));
            item->setToolTip(OutsideColumn,
                             tr("Plus grande distance d'un sommet hors de la box écrite ; "
                                "les plans sont arrondis au plus de %1")
                                 .arg(frenchNumber(mesh.fit.planeGap, 6)));
        }
        item->setText(NoteColumn, noteFor(mesh));
        if (mesh.outcome != MeshReport::Outcome::Added || mesh.notABox()) {
            item->setForeground(NoteColumn, QColor(176, 32, 32));
        }
    }
    for (int column = MeshColumn; column < NoteColumn; ++column) {
        list_->resizeColumnToContents(column);
    }
    if (!isVisible()) {
        if (lastGeometry_) {
            setGeometry(*lastGeometry_);
        } else {
            placeToolWindow(*this, mainWindow_, preferredSize,
                            minimumSizeHint().expandedTo(smallestSize));
        }
    }
    show();
    raise();
}

void ImportReportWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!isMinimized()) {
        lastGeometry_ = geometry();
    }
}

QString importSummary(const QString& fileName, const ImportReport& report) {
    const auto added = static_cast<std::size_t>(
        std::count_if(report.meshes.begin(), report.meshes.end(), [](const MeshReport& mesh) {
            return mesh.outcome == MeshReport::Outcome::Added;
        }));
    const std::size_t skipped = report.meshes.size() - added;
    QString text =
        ImportReportWindow::tr("%1 depuis « %2 », %3.")
            .arg(plural(added, ImportReportWindow::tr("box ajoutée"),
                        ImportReportWindow::tr("box ajoutées")),
                 fileName,
                 plural(report.intersectionsAdded, ImportReportWindow::tr("intersection ajoutée"),
                        ImportReportWindow::tr("intersections ajoutées")));
    if (skipped != 0) {
        text += QLatin1Char(' ') + ImportReportWindow::tr("%1 sans box.")
                                       .arg(plural(skipped, ImportReportWindow::tr("forme ignorée"),
                                                   ImportReportWindow::tr("formes ignorées")));
    }
    if (report.ignored != 0) {
        text += QLatin1Char(' ') +
                ImportReportWindow::tr("%1 : pas de nom de collision.")
                    .arg(plural(report.ignored, ImportReportWindow::tr("forme laissée de côté"),
                                ImportReportWindow::tr("formes laissées de côté")));
    }
    if (!report.intersectionsComplete) {
        text += QLatin1Char(' ') + ImportReportWindow::tr("La recherche des intersections a été "
                                                          "écourtée : trop de box s'empilent.");
    }
    return text;
}
