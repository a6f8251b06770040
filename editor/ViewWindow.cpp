#include "ViewWindow.h"

#include "ProblemFixes.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "boxvalues.h"
#include "orlclass.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

ViewWindow::ViewWindow(QuadrelDlg& mainWindow)
    : QWidget(&mainWindow, Qt::Window), mainWindow_(mainWindow) {
    setWindowTitle(tr("Vue 3D - Quadrel"));
    setWindowIcon(mainWindow.windowIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* recentreButton = new QPushButton(tr("Recentrer"));
    auto* showAllButton = new QPushButton(tr("Tout voir"));
    auto* hint = new QLabel(tr("Glisser : tourner · molette : zoom · bouton droit : déplacer · "
                               "clic : choisir la box"));
    hint->setWordWrap(true);
    hint->setForegroundRole(QPalette::PlaceholderText);
    view_ = new SceneView;
    auto* tools = new QHBoxLayout;
    tools->addWidget(recentreButton);
    tools->addWidget(showAllButton);
    tools->addSpacing(12);
    tools->addWidget(hint, 1);
    auto* viewSide = new QWidget;
    auto* viewLayout = new QVBoxLayout(viewSide);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLayout->addLayout(tools);
    viewLayout->addWidget(view_, 1);

    problemList_ = new QTreeView;
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

    auto* splitter = new QSplitter;
    splitter->addWidget(viewSide);
    splitter->addWidget(problemBox_);
    splitter->setStretchFactor(0, 1);
    splitter->setSizes({720, 560});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    resize(1280, 720);

    connect(recentreButton, &QPushButton::clicked, view_, &SceneView::recentre);
    connect(showAllButton, &QPushButton::clicked, view_, &SceneView::showAll);
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
    show();
    raise();
    activateWindow();
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

void ViewWindow::goToProblem(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    const Problem& problem = problems_.problem(index.row());
    std::vector<std::size_t> ranks;
    if (problem.rank) {
        ranks.push_back(*problem.rank);
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
