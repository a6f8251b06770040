#pragma once

#include "HistoryList.h"
#include "ProblemModel.h"
#include "SceneChecker.h"
#include "ViewScene.h"

#include <QBoxLayout>
#include <QRect>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <string>

class DragFollower;
class QHBoxLayout;
class QVBoxLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QStackedWidget;
class QTimer;
class SceneChecker;
class ModelExchange;
class QModelIndex;
class QPushButton;
class QSplitter;
class QTreeView;
class QuadrelDlg;
class SceneView;

// "Vue 3D - Quadrel": the scene of the main window's document beside the list of its problems,
// following the form as the user types and the document after each command. A window of its
// own that the main window owns; it takes input while the main window runs modally.
class ViewWindow : public QWidget {
    Q_OBJECT

public:
    explicit ViewWindow(QuadrelDlg& mainWindow);

    // Shows the window, restored if minimised and in front, where the user last left it or at
    // first beside the main window; the keyboard focus stays where it was.
    void showAndRaise();

    SceneView* sceneView() const { return view_; }
    QTreeView* problemList() const { return problemList_; }
    // The history of the document: a first line for the state read or created, then one line
    // per entry; the current point is marked, and a click goes back or forth to it.
    HistoryList* historyList() const { return historyList_; }
    const ViewScene& scene() const { return scene_; }
    // Whether the whole check of the document is under way, the problems not known yet.
    bool checking() const;
#ifdef QUADREL_MODEL_EXCHANGE
    // "Importer..." and "Exporter...".
    ModelExchange& modelExchange() const {
        return *exchange_;
    }
#endif

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBesideMainWindow();
    // The scene beside the problems or above them, as suits the shape, in proportions that
    // show both.
    void layOutFor(QSize shape);
    // The tools on one row where the window is wide enough for them, else the exchange buttons on
    // a row of their own, so that the view fits beside a main window in the middle of the screen.
    void arrangeTools(int width);
    void setToolsDirection(QBoxLayout::Direction direction);
    void refreshDocument();
    void followEdit(const DocumentChange& change);
    // The whole check of the document on a worker thread, the list saying how far it has gone.
    void startChecks();
    void stopChecks();
    void startWaitingChecks();
    void showProgress();
    void adoptChecks(LiveChecks* checks);
    // The scene stays drawn and unchecked; the next edit, or the button, checks it again.
    void showCheckFailure(const QString& reason);
    // The scene as it now is, in the view and the title of the problems.
    void showScene();
    void followForm();
    void goToProblem(const QModelIndex& index);
    const Problem* selectedProblem() const;
    void updateFixButtons();
    void normalisePlane();
    void addMissingIntersections();
    void removeInvalidIntersections();
    void stickTogether();
    void endCommand();

    QuadrelDlg& mainWindow_;
    ViewScene scene_;
    ProblemModel problems_;
    SceneView* view_ = nullptr;
    DragFollower* drags_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QBoxLayout* toolbar_ = nullptr;
    QHBoxLayout* viewTools_ = nullptr;
    QHBoxLayout* exchangeTools_ = nullptr;
    QVBoxLayout* viewLayout_ = nullptr;
    QGroupBox* problemBox_ = nullptr;
    QTreeView* problemList_ = nullptr;
    QStackedWidget* problemPages_ = nullptr;
    QLabel* checkingLabel_ = nullptr;
    QProgressBar* checkingBar_ = nullptr;
    QPushButton* checkAgainButton_ = nullptr;
    SceneChecker* checker_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTimer* startTimer_ = nullptr;
    QPushButton* normaliseButton_ = nullptr;
    QPushButton* addMissingButton_ = nullptr;
    QPushButton* removeInvalidButton_ = nullptr;
    QPushButton* stickButton_ = nullptr;
    HistoryList* historyList_ = nullptr;
#ifdef QUADREL_MODEL_EXCHANGE
    ModelExchange* exchange_ = nullptr;
#endif
    // The box an undo or redo showed, framed once the scene holds the document it left.
    std::optional<std::size_t> boxToFrame_;
    // The document changed while the window was hidden.
    bool stale_ = true;
    // The edits of the last command are followed already: the document's change that follows
    // them needs no whole check.
    bool followedEdit_ = false;
    std::string shownPath_;
    // Where the window was when it was last hidden; none until it is first placed.
    std::optional<QRect> lastGeometry_;
};
