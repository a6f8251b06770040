#include "ViewWindow.h"

#include "EditField.h"
#include "ProblemFixes.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "ViewPlacement.h"
#include "boxvalues.h"
#include "orlclass.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

namespace {

// Below this the scene and the list of problems cannot both be read.
const QSize smallestUsefulSize(480, 420);

// A screen reader announces the view as a window of its own, not as a pane of the main one.
QAccessibleInterface* accessibleViewWindow(const QString& className, QObject* object) {
    if (className == QLatin1String("ViewWindow") && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

// A window that is not clearly wider than tall, as on a side of the screen, shows the problems
// under the scene.
Qt::Orientation orientationFor(QSize shape) {
    return shape.width() * 3 >= shape.height() * 4 ? Qt::Horizontal : Qt::Vertical;
}

} // namespace

ViewWindow::ViewWindow(QuadrelDlg& mainWindow)
    : QWidget(&mainWindow, Qt::Window), mainWindow_(mainWindow) {
    static std::once_flag accessibleFactoryInstalled;
    std::call_once(accessibleFactoryInstalled,
                   [] { QAccessible::installFactory(accessibleViewWindow); });
    setWindowTitle(tr("Vue 3D - Quadrel"));
    setWindowIcon(mainWindow.windowIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The view follows the typing; showing it must not take the keyboard from the form.
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* recentreButton = new QPushButton(tr("Recentrer"));
    auto* showAllButton = new QPushButton(tr("Tout voir"));
    auto* surfacesButton = new QPushButton(tr("Surfaces"));
    surfacesButton->setCheckable(true);
    surfacesButton->setToolTip(
        tr("Colorer les faces selon ce qu'elles sont pour un personnage : sol, pente trop raide, "
           "mur, plafond"));
    auto* hint = new QLabel(tr("Glisser : tourner · molette : zoom · bouton droit : déplacer · "
                               "clic : choisir la box"));
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    view_ = new SceneView;
    view_->setAccessibleName(tr("Vue 3D des box"));
    auto* tools = new QHBoxLayout;
    tools->addWidget(recentreButton);
    tools->addWidget(showAllButton);
    tools->addWidget(surfacesButton);
    tools->addSpacing(12);
    tools->addWidget(hint, 1);
    auto* viewSide = new QWidget;
    auto* viewLayout = new QVBoxLayout(viewSide);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLayout->addLayout(tools);
    viewLayout->addWidget(view_, 1);

    problemList_ = new QTreeView;
    problemList_->setAccessibleName(tr("Problèmes"));
    problemList_->setModel(&problems_);
    problemList_->setRootIsDecorated(false);
    problemList_->setUniformRowHeights(true);
    problemList_->setAllColumnsShowFocus(true);
    problemList_->setSelectionMode(QAbstractItemView::SingleSelection);
    problemList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    problemList_->header()->setStretchLastSection(true);
    normaliseButton_ = new QPushButton(tr("Normaliser le plan"));
    addMissingButton_ = new QPushButton(tr("Ajouter les intersections manquantes"));
    removeInvalidButton_ = new QPushButton(tr("Retirer les intersections invalides"));
    problemBox_ = new QGroupBox;
    auto* problemLayout = new QVBoxLayout(problemBox_);
    problemLayout->addWidget(problemList_, 1);
    problemLayout->addWidget(normaliseButton_);
    problemLayout->addWidget(addMissingButton_);
    problemLayout->addWidget(removeInvalidButton_);

    splitter_ = new QSplitter;
    splitter_->addWidget(viewSide);
    splitter_->addWidget(problemBox_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setSizes({720, 560});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter_);
    resize(1280, 720);
    // Every key of the main window works here too, with the same refusals.
    mainWindow_.shareShortcutsWith(this);

    connect(recentreButton, &QPushButton::clicked, view_, &SceneView::recentre);
    connect(showAllButton, &QPushButton::clicked, view_, &SceneView::showAll);
    connect(surfacesButton, &QPushButton::toggled, view_, &SceneView::setSurfaceMode);
    connect(view_, &SceneView::boxClicked, &mainWindow_, &QuadrelDlg::showBoxOfRank);
    connect(problemList_, &QTreeView::activated, this, &ViewWindow::goToProblem);
    connect(problemList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ViewWindow::updateFixButtons);
    connect(&problems_, &QAbstractItemModel::modelReset, this, &ViewWindow::updateFixButtons);
    connect(normaliseButton_, &QPushButton::clicked, this, &ViewWindow::normalisePlane);
    connect(addMissingButton_, &QPushButton::clicked, this, &ViewWindow::addMissingIntersections);
    connect(removeInvalidButton_, &QPushButton::clicked, this,
            &ViewWindow::removeInvalidIntersections);
    connect(&mainWindow_, &QuadrelDlg::documentChanged, this, [this] {
        stale_ = true;
        if (isVisible()) {
            refreshDocument();
        }
    });
    connect(&mainWindow_, &QuadrelDlg::formChanged, this, [this] {
        if (isVisible()) {
            followForm();
        }
    });
    updateFixButtons();
}

void ViewWindow::showAndRaise() {
    QWidget* active = QApplication::activeWindow();
    if (!isVisible()) {
        if (lastGeometry_) {
            setGeometry(*lastGeometry_);
        } else {
            placeBesideMainWindow();
        }
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    if (active != nullptr && active != this) {
        active->activateWindow();
    }
}

// The main window's decoration is taken for the view's own: the same window manager draws both.
void ViewWindow::placeBesideMainWindow() {
    const QRect mainFrame = mainWindow_.frameGeometry();
    const QRect mainClient = mainWindow_.geometry();
    const QMargins decoration(
        mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
        mainFrame.right() - mainClient.right(), mainFrame.bottom() - mainClient.bottom());
    // The narrowest shape, problems under the scene, at its smallest readable size.
    splitter_->setOrientation(Qt::Vertical);
    const QSize smallest =
        minimumSizeHint().expandedTo(smallestUsefulSize) +
        QSize(decoration.left() + decoration.right(), decoration.top() + decoration.bottom());
    const QRect available = mainWindow_.screen()->availableGeometry();
    const QRect frame = placeViewBeside(available, mainFrame, fieldsFrame(), smallest);
    // Laid out for its new shape first, or the old shape's minimum would widen it.
    layOutFor(frame.size());
    setGeometry(frame.marginsRemoved(decoration));
}

// Where the form's fields lie on the screen.
QRect ViewWindow::fieldsFrame() const {
    QRect fields;
    for (const EditField* field : mainWindow_.findChildren<EditField*>()) {
        fields |= QRect(field->mapToGlobal(QPoint(0, 0)), field->size());
    }
    return fields;
}

void ViewWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!isMinimized()) {
        lastGeometry_ = geometry();
    }
}

void ViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (splitter_->orientation() != orientationFor(size())) {
        layOutFor(size());
    }
}

void ViewWindow::layOutFor(QSize shape) {
    const Qt::Orientation orientation = orientationFor(shape);
    splitter_->setOrientation(orientation);
    const int length = orientation == Qt::Horizontal ? shape.width() : shape.height();
    splitter_->setSizes({length * 3 / 5, length * 2 / 5});
}

void ViewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) {
        refreshDocument();
    } else {
        followForm();
    }
}

void ViewWindow::refreshDocument() {
    stale_ = false;
    problems_.setProblems(nullptr);
    view_->setScene(nullptr);
    scene_ = mainWindow_.document() ? buildViewScene(*mainWindow_.document(), std::move(scene_))
                                    : ViewScene();
    problems_.setProblems(&scene_.problems);
    problemBox_->setTitle(tr("Problèmes (%1)").arg(scene_.problems.size()));
    problemList_->resizeColumnToContents(0);
    problemList_->resizeColumnToContents(1);
    problemList_->resizeColumnToContents(2);
    view_->setScene(&scene_);
    followForm();
    // Another file is another scene: show it whole. After an edit the user keeps the view.
    const std::string path = mainWindow_.document() ? mainWindow_.document()->getPath() : "";
    if (path != shownPath_) {
        shownPath_ = path;
        view_->showAll();
    }
}

void ViewWindow::followForm() {
    const std::string id = mainWindow_.shownId();
    const BoxTexts texts = mainWindow_.shownBoxTexts();
    const bool present =
        !id.empty() || std::any_of(texts.begin() + boxslot::firstCentre, texts.end(),
                                   [](const std::string& text) { return !text.empty(); });
    const BoxValues values = decodeBoxValues(texts);
    view_->setHighlight(present, buildSolid(values), values.centre, scene_.rankOfId(id));
}

const Problem* ViewWindow::selectedProblem() const {
    const QModelIndexList rows = problemList_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return nullptr;
    }
    return &problems_.problem(rows.first().row());
}

void ViewWindow::updateFixButtons() {
    const Problem* problem = selectedProblem();
    normaliseButton_->setEnabled(problem && problem->fix() == ProblemFix::NormalisePlane &&
                                 problem->rank && problem->plane);
    addMissingButton_->setEnabled(problem && isMissingIntersection(*problem));
    removeInvalidButton_->setEnabled(problem && isInvalidIntersection(*problem));
}

// The box of the problem is shown, and the faces it concerns marked, both boxes framed when it
// lies between two.
void ViewWindow::goToProblem(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    const Problem& problem = problems_.problem(index.row());
    std::vector<std::size_t> ranks;
    std::vector<FaceMark> marks;
    if (problem.rank) {
        ranks.push_back(*problem.rank);
        if (problem.plane) {
            marks.push_back({*problem.rank, *problem.plane});
        }
        if (problem.otherRank && problem.otherPlane) {
            marks.push_back({*problem.otherRank, *problem.otherPlane});
            if (*problem.otherRank != *problem.rank) {
                ranks.push_back(*problem.otherRank);
            }
        }
    } else if (problem.intersection) {
        if (const auto pair = listedPair(*problem.intersection, scene_.size())) {
            ranks = {pair->first, pair->second};
        }
    }
    if (ranks.empty()) {
        return;
    }
    mainWindow_.showBoxOfRank(ranks.front());
    view_->frameBoxes(ranks);
    view_->setMarkedFaces(marks);
}

// The box of the problem is shown first, as the user would show it before typing.
void ViewWindow::normalisePlane() {
    const Problem* problem = selectedProblem();
    if (!problem || !problem->rank || !problem->plane) {
        return;
    }
    const int plane = *problem->plane;
    mainWindow_.showBoxOfRank(*problem->rank);
    const BoxTexts texts = mainWindow_.shownBoxTexts();
    const std::size_t first = boxslot::plane(static_cast<std::size_t>(plane) * 4);
    const auto scaled =
        normalisedPlaneTexts({texts[first], texts[first + 1], texts[first + 2], texts[first + 3]});
    if (scaled) {
        mainWindow_.writePlaneTexts(plane, *scaled);
    }
}

void ViewWindow::addMissingIntersections() {
    mainWindow_.appendIntersections(missingIntersections(scene_.problems));
}

void ViewWindow::removeInvalidIntersections() {
    mainWindow_.removeIntersections(invalidIntersections(scene_.problems));
}
