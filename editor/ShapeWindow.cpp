#include "ShapeWindow.h"

#include "AddShapedBoxDialog.h"
#include "BoxTransformEdits.h"
#include "OrbitCamera.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "ShapePanel.h"
#include "TransformTools.h"
#include "ViewWindow.h"
#include "WindowPlacement.h"
#include "orlclass.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ShapeWindow::ShapeWindow(QuadrelDlg& mainWindow)
    : QWidget(&mainWindow, Qt::Window), mainWindow_(mainWindow) {
    setWindowTitle(tr("Forme - Quadrel"));
    setWindowIcon(mainWindow.windowIcon());
    panel_ = new ShapePanel(mainWindow);
    addButton_ = new QPushButton(tr("Ajouter une b&ox..."));
    addButton_->setToolTip(
        tr("Ajouter une box de dimensions données au point que regarde la vue 3D"));
    auto* addNote = new QLabel(tr("prochain ID libre, au point que regarde la vue 3D"));
    addNote->setForegroundRole(QPalette::PlaceholderText);
    addNote->setWordWrap(true);
    auto* addLine = new QHBoxLayout;
    addLine->addWidget(addButton_);
    addLine->addWidget(addNote, 1);
    tools_ = new TransformTools(mainWindow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_);
    layout->addLayout(addLine);
    layout->addWidget(tools_);
    layout->addStretch(1);
    // Every key of the main window works here too.
    mainWindow_.shareShortcutsWith(this);
    connect(addButton_, &QPushButton::clicked, this, &ShapeWindow::addShapedBox);
}

void ShapeWindow::showAndRaise() {
    if (!isVisible()) {
        if (lastGeometry_) {
            setGeometry(*lastGeometry_);
        } else {
            placeBesideMainWindow();
        }
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    panel_->followForm();
    show();
    raise();
    activateWindow();
}

void ShapeWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!isMinimized()) {
        lastGeometry_ = geometry();
    }
}

void ShapeWindow::placeBesideMainWindow() {
    placeToolWindow(*this, mainWindow_, sizeHint(), minimumSizeHint());
}

void ShapeWindow::addShapedBox() {
    const BoxDocument* document = mainWindow_.document();
    if (document == nullptr || !mainWindow_.hasDocument()) {
        tools_->messageLine()->setText(tr("Ouvrir ou créer d'abord un fichier."));
        return;
    }
    ViewWindow* view = mainWindow_.view();
    const Vec3 centre = view != nullptr ? view->sceneView()->camera().focus() : Vec3{};
    AddShapedBoxDialog dialog(centre, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.shape()) {
        return;
    }
    TransformEdit edit = addShapedBoxEdit(*document, *dialog.shape());
    if (const auto* fault = std::get_if<ShapeFault>(&edit)) {
        tools_->messageLine()->setText(
            tr("Rien d'ajouté : %1.").arg(QString::fromStdString(shapeFaultText(*fault))));
        return;
    }
    const QString name = QString::fromStdString(std::get<std::unique_ptr<Edit>>(edit)->name());
    mainWindow_.applyBoxEdit(std::move(std::get<std::unique_ptr<Edit>>(edit)));
    tools_->messageLine()->setText(tr("Fait : %1.").arg(name));
}
