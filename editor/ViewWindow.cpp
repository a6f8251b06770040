#include "ViewWindow.h"

#include "CommandProcessor.h"
#include "DragFollower.h"
#include "EditField.h"
#ifdef QUADREL_MODEL_EXCHANGE
#include "ModelExchange.h"
#endif
#include "ProblemFixes.h"
#include "QuadrelDlg.h"
#include "SceneView.h"
#include "SeamFix.h"
#include "ViewPlacement.h"
#include "WindowPlacement.h"
#include "boxvalues.h"
#include "orlclass.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>
#include <utility>

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

// An import of thousands of boxes into a scene that held few is placed whole, on every core, as F3
// places it: placed box by box, its boxes would crowd the few cells of the scene's grid, each
// placement going through all the boxes of its cell.
bool bringsMostOfTheScene(const DocumentChange& change, const BoxDocument& document) {
    constexpr std::size_t manyBoxes = 4096;
    const std::size_t inserted = change.insertedBoxes.size();
    return inserted >= manyBoxes && inserted * 2 > document.boxes.size();
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
    auto* hint = new QLabel(
        tr("Glisser : tourner la vue · molette : zoom · bouton droit : déplacer la vue · clic : "
           "choisir la box. Box choisie : pastille = redimensionner depuis cette face, corps = "
           "déplacer (X, Y ou Z tenue : sur cet axe ; Maj : en hauteur), anneau = tourner ; Échap "
           "annule. Alt+flèches, Pg préc., Pg suiv. : un pas de grille en X, Y, Z."));
    hint->setWordWrap(true);
    // A wrapped label would ask for some 80 letters of width; it wraps to whatever it gets.
    hint->setMinimumWidth(200);
    hint->setForegroundRole(QPalette::PlaceholderText);
    view_ = new SceneView;
    view_->setAccessibleName(tr("Vue 3D des box"));
    drags_ = new DragFollower(mainWindow_, view_->dragger(), this);
    auto* gridLabel = new QLabel(tr("Grille :"));
    QComboBox* gridChooser = drags_->makeGridChooser();
    gridLabel->setBuddy(gridChooser);
    viewTools_ = new QHBoxLayout;
    viewTools_->addWidget(recentreButton);
    viewTools_->addWidget(showAllButton);
    viewTools_->addWidget(surfacesButton);
    viewTools_->addWidget(gridLabel);
    viewTools_->addWidget(gridChooser);
    viewTools_->addStretch(1);
    exchangeTools_ = new QHBoxLayout;
    toolbar_ = new QBoxLayout(QBoxLayout::LeftToRight);
    toolbar_->addLayout(viewTools_, 1);
    toolbar_->addLayout(exchangeTools_);
#ifdef QUADREL_MODEL_EXCHANGE
    exchange_ = new ModelExchange(mainWindow_, *this);
    auto* importButton = new QPushButton(tr("Importer..."));
    importButton->setToolTip(tr("Ajouter une box par forme d'un modèle 3D (OBJ, glTF, FBX, DAE, "
                                "3DS, PLY, STL)"));
    auto* exportButton = new QPushButton(tr("Exporter..."));
    exportButton->setToolTip(tr("Écrire les box en modèle 3D (OBJ ou glTF binaire)"));
    exchangeTools_->addWidget(importButton);
    exchangeTools_->addWidget(exportButton);
    exchangeTools_->addStretch(1);
    connect(importButton, &QPushButton::clicked, exchange_, &ModelExchange::importModel);
    connect(exportButton, &QPushButton::clicked, exchange_, &ModelExchange::exportModel);
    connect(exchange_, &ModelExchange::importedAsNewDocument, this, [this] { view_->showAll(); });
#endif
    auto* viewSide = new QWidget;
    viewLayout_ = new QVBoxLayout(viewSide);
    viewLayout_->setContentsMargins(0, 0, 0, 0);
    viewLayout_->addLayout(toolbar_);
    // On a line of its own, where the buttons leave it room to be read.
    viewLayout_->addWidget(hint);
    viewLayout_->addWidget(view_, 1);

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
    stickButton_ = new QPushButton(tr("Coller contre"));
    stickButton_->setToolTip(tr("Fermer la fente : la box de la forme, ou sinon la première box "
                                "du problème, glisse le long de sa face jusqu'à l'autre face"));
    // While the whole check runs, the list says how far it has gone.
    checkingLabel_ = new QLabel;
    checkingBar_ = new QProgressBar;
    checkingBar_->setRange(0, 100);
    checkingBar_->setTextVisible(false);
    checkingBar_->setAccessibleName(tr("Vérification"));
    // A check that failed says why where the bar was, and may be tried again.
    checkingLabel_->setWordWrap(true);
    checkAgainButton_ = new QPushButton(tr("Vérifier à nouveau"));
    checkAgainButton_->hide();
    auto* checkingPage = new QWidget;
    auto* checkingLayout = new QVBoxLayout(checkingPage);
    checkingLayout->addWidget(checkingLabel_);
    checkingLayout->addWidget(checkingBar_);
    checkingLayout->addWidget(checkAgainButton_, 0, Qt::AlignLeft);
    checkingLayout->addStretch(1);
    problemPages_ = new QStackedWidget;
    problemPages_->addWidget(problemList_);
    problemPages_->addWidget(checkingPage);
    problemBox_ = new QGroupBox;
    auto* problemLayout = new QVBoxLayout(problemBox_);
    problemLayout->addWidget(problemPages_, 1);
    problemLayout->addWidget(normaliseButton_);
    problemLayout->addWidget(addMissingButton_);
    problemLayout->addWidget(removeInvalidButton_);
    problemLayout->addWidget(stickButton_);

    historyList_ = new HistoryList(mainWindow.commands());
    historyList_->setAccessibleName(tr("Historique"));
    auto* historyBox = new QGroupBox(tr("Historique"));
    auto* historyLayout = new QVBoxLayout(historyBox);
    historyLayout->addWidget(historyList_);
    auto* sideSplitter = new QSplitter(Qt::Vertical);
    sideSplitter->addWidget(problemBox_);
    sideSplitter->addWidget(historyBox);
    sideSplitter->setStretchFactor(0, 3);
    sideSplitter->setStretchFactor(1, 1);

    splitter_ = new QSplitter;
    splitter_->addWidget(viewSide);
    splitter_->addWidget(sideSplitter);
    splitter_->setStretchFactor(0, 1);
    splitter_->setSizes({720, 560});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter_);
    resize(1280, 720);
    // Every key of the main window works here too, with the same refusals.
    mainWindow_.shareShortcutsWith(this);

    checker_ = new SceneChecker(this);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    // The check starts once the first frame is painted, so that it does not slow it down, or
    // after a while if no frame is asked for.
    startTimer_ = new QTimer(this);
    startTimer_->setSingleShot(true);
    startTimer_->setInterval(200);
    connect(view_, &SceneView::framePainted, this, [this] {
        if (startTimer_->isActive()) {
            startTimer_->stop();
            startWaitingChecks();
        }
    });
    connect(progressTimer_, &QTimer::timeout, this, &ViewWindow::showProgress);
    connect(startTimer_, &QTimer::timeout, this, &ViewWindow::startWaitingChecks);
    connect(checker_, &SceneChecker::finished, this, &ViewWindow::adoptChecks);
    connect(checker_, &SceneChecker::failed, this, &ViewWindow::showCheckFailure);
    connect(checkAgainButton_, &QPushButton::clicked, this, &ViewWindow::startChecks);
    // Queued edits wait: the check is started again once they are made.
    connect(&mainWindow_, &QuadrelDlg::documentAboutToChange, checker_, &SceneChecker::stop);

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
    connect(stickButton_, &QPushButton::clicked, this, &ViewWindow::stickTogether);
    connect(&problems_, &QAbstractItemModel::dataChanged, this, &ViewWindow::updateFixButtons);
    connect(&problems_, &QAbstractItemModel::rowsRemoved, this, &ViewWindow::updateFixButtons);
    connect(&mainWindow_.commands(), &CommandProcessor::documentEdited, this,
            &ViewWindow::followEdit);
    connect(&mainWindow_, &QuadrelDlg::documentChanged, this, [this] {
        if (std::exchange(followedEdit_, false)) {
            return;
        }
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
    connect(&mainWindow_, &QuadrelDlg::boxShownByHistory, this,
            [this](std::size_t rank) { boxToFrame_ = rank; });
    connect(&mainWindow_.commands(), &CommandProcessor::historyChanged, this,
            &ViewWindow::endCommand);
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

void ViewWindow::placeBesideMainWindow() {
    const QMargins decoration = decorationOf(mainWindow_);
    // The narrowest shape, problems under the scene and tools on two rows, at its smallest
    // readable size.
    splitter_->setOrientation(Qt::Vertical);
    setToolsDirection(QBoxLayout::TopToBottom);
    const QSize smallest = minimumSizeHint().expandedTo(smallestUsefulSize).grownBy(decoration);
    const QRect available = mainWindow_.screen()->availableGeometry();
    const QRect frame =
        placeViewBeside(available, mainWindow_.frameGeometry(), fieldsFrameOf(mainWindow_),
                        otherWindowFrames(mainWindow_, *this), smallest);
    // Laid out for its new shape first, or the old shape's minimum would widen it.
    layOutFor(frame.size());
    setGeometry(frame.marginsRemoved(decoration));
}

void ViewWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!isMinimized()) {
        lastGeometry_ = geometry();
    }
    // Closed, the window checks nothing: it checks the document whole when it shows again.
    if (!isVisible() && checking()) {
        stopChecks();
        stale_ = true;
    }
}

bool ViewWindow::checking() const {
    return !scene_.checked;
}

void ViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (splitter_->orientation() != orientationFor(size())) {
        layOutFor(size());
    } else {
        arrangeTools(width());
    }
}

void ViewWindow::layOutFor(QSize shape) {
    const Qt::Orientation orientation = orientationFor(shape);
    splitter_->setOrientation(orientation);
    const int length = orientation == Qt::Horizontal ? shape.width() : shape.height();
    splitter_->setSizes({length * 3 / 5, length * 2 / 5});
    arrangeTools(shape.width());
}

void ViewWindow::arrangeTools(int width) {
    const QMargins margins = layout()->contentsMargins();
    const int oneRow = viewTools_->sizeHint().width() + toolbar_->spacing() +
                       exchangeTools_->sizeHint().width() + margins.left() + margins.right();
    const QBoxLayout::Direction direction =
        width >= oneRow ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (toolbar_->direction() != direction) {
        setToolsDirection(direction);
    }
}

void ViewWindow::setToolsDirection(QBoxLayout::Direction direction) {
    toolbar_->setDirection(direction);
    // The layouts around keep the sizes of the old arrangement until told, which would keep the
    // window as wide as one row.
    viewLayout_->invalidate();
    splitter_->updateGeometry();
    layout()->activate();
}

void ViewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) {
        refreshDocument();
    } else {
        followForm();
    }
}

// The first frame needs only where each box stands; the solids drawn in full are built as they
// are drawn, and the checks run on a worker thread meanwhile.
void ViewWindow::refreshDocument() {
    stale_ = false;
    stopChecks();
    problems_.setProblems(nullptr);
    view_->setScene(nullptr);
    const BoxDocument* document = mainWindow_.document();
    scene_ = document ? buildViewScene(*document) : ViewScene();
    startChecks();
    showScene();
    // Another file is another scene: show it whole. After an edit the user keeps the view.
    const std::string path = document ? document->getPath() : "";
    if (path != shownPath_) {
        shownPath_ = path;
        view_->showAll();
    }
}

void ViewWindow::startChecks() {
    problems_.setProblems(nullptr);
    if (mainWindow_.document() == nullptr) {
        scene_.checked = true;
        adoptChecks(nullptr);
        return;
    }
    problemPages_->setCurrentIndex(1);
    checkAgainButton_->hide();
    checkingBar_->show();
    showProgress();
    progressTimer_->start();
    // Once the command is over: the edits of one undo through several entries start one check.
    startTimer_->start();
    view_->update();
}

void ViewWindow::startWaitingChecks() {
    if (const BoxDocument* document = mainWindow_.document()) {
        checker_->start(*document);
    }
}

void ViewWindow::stopChecks() {
    startTimer_->stop();
    checker_->stop();
    progressTimer_->stop();
}

void ViewWindow::showProgress() {
    const int percent = checker_->running() ? checker_->percentDone() : 0;
    checkingLabel_->setText(tr("Vérification… %1 %").arg(percent));
    checkingBar_->setValue(percent);
}

void ViewWindow::showCheckFailure(const QString& reason) {
    progressTimer_->stop();
    checkingBar_->hide();
    checkingLabel_->setText(tr("La vérification n'a pas pu se faire : %1. Elle sera refaite à la "
                               "prochaine modification, ou par « Vérifier à nouveau ».")
                                .arg(reason));
    checkAgainButton_->show();
}

// The report of the whole check, or none for a window without a document.
void ViewWindow::adoptChecks(LiveChecks* checks) {
    progressTimer_->stop();
    if (checks != nullptr) {
        takeChecks(scene_, std::move(*checks));
    }
    scene_.checks.setListener(&problems_);
    problems_.setProblems(&scene_.problems());
    problemPages_->setCurrentWidget(problemList_);
    problemList_->resizeColumnToContents(0);
    problemList_->resizeColumnToContents(1);
    problemList_->resizeColumnToContents(2);
    problemBox_->setTitle(tr("Problèmes (%1)").arg(scene_.problems().size()));
    view_->refreshCategories();
}

// While the window shows, each edit moves the scene and the problems where it changed them; hidden,
// the window checks the document whole when it shows again. An edit made while the whole check
// runs starts it again.
void ViewWindow::followEdit(const DocumentChange& change) {
    const BoxDocument* document = mainWindow_.document();
    followedEdit_ = isVisible() && !stale_ && document != nullptr;
    if (!followedEdit_) {
        stopChecks();
        stale_ = true;
        return;
    }
    if (change.everything || bringsMostOfTheScene(change, *document)) {
        refreshDocument();
        return;
    }
    const bool checksFollow = scene_.checked && scene_.checks.follows(*document, change);
    if (!checksFollow) {
        problems_.setProblems(nullptr);
        scene_.checks = LiveChecks();
        scene_.checked = false;
    }
    followChange(scene_, *document, change);
    if (!checksFollow) {
        startChecks();
    }
    showScene();
}

void ViewWindow::showScene() {
    problemBox_->setTitle(scene_.checked ? tr("Problèmes (%1)").arg(scene_.problems().size())
                                         : tr("Problèmes"));
    view_->setScene(&scene_);
    followForm();
    if (boxToFrame_ && *boxToFrame_ < scene_.size()) {
        view_->frameBoxes({*boxToFrame_});
    }
    boxToFrame_.reset();
}

void ViewWindow::followForm() {
    const std::string id = mainWindow_.shownId();
    const BoxTexts texts = mainWindow_.shownBoxTexts();
    const bool present =
        !id.empty() || std::any_of(texts.begin() + boxslot::firstCentre, texts.end(),
                                   [](const std::string& text) { return !text.empty(); });
    const BoxValues values = decodeBoxValues(texts);
    // The box shown, by its rank: where IDs repeat, the ID alone would name another box, and a
    // deleted box is no box of the file any more.
    std::optional<std::size_t> rank = mainWindow_.shownRank();
    if (rank && *rank >= scene_.size()) {
        rank.reset();
    }
    view_->setHighlight(present, buildSolid(values), values.centre, rank);
    drags_->follow(rank, texts);
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
    stickButton_->setEnabled(problem && problem->fix() == ProblemFix::StickTogether &&
                             canCloseSeam(mainWindow_, *problem));
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

// From the box's texts in the document: the fix mends the document, whatever the form holds.
void ViewWindow::normalisePlane() {
    const Problem* problem = selectedProblem();
    const BoxDocument* document = mainWindow_.document();
    if (!problem || !problem->rank || !problem->plane || document == nullptr ||
        *problem->rank >= document->boxes.size()) {
        return;
    }
    const int plane = *problem->plane;
    const Box& box = document->boxes.at(*problem->rank);
    const std::size_t first = static_cast<std::size_t>(plane) * 4;
    const auto scaled = normalisedPlaneTexts({box.planeText(first), box.planeText(first + 1),
                                              box.planeText(first + 2), box.planeText(first + 3)});
    if (scaled) {
        mainWindow_.normalisePlane(*problem->rank, plane, *scaled);
    }
}

void ViewWindow::addMissingIntersections() {
    mainWindow_.appendIntersections(missingIntersections(scene_.problems()));
}

void ViewWindow::removeInvalidIntersections() {
    mainWindow_.removeIntersections(invalidIntersections(scene_.problems()));
}

void ViewWindow::stickTogether() {
    if (const Problem* problem = selectedProblem()) {
        closeSeam(mainWindow_, *problem);
    }
}

void ViewWindow::endCommand() {
    // The command is over: what changes the document next is another.
    followedEdit_ = false;
}
