#include "SeamFix.h"

#include "QuadrelDlg.h"
#include "orlclass.h"
#include "seamclosing.h"
#include "shapeedits.h"

#include <memory>
#include <optional>
#include <string>

bool canCloseSeam(const QuadrelDlg& mainWindow, const Problem& problem) {
    const BoxDocument* document = mainWindow.document();
    return document != nullptr && mainWindow.hasDocument() &&
           seamClosing(*document, problem, std::nullopt).has_value();
}

bool closeSeam(QuadrelDlg& mainWindow, const Problem& problem) {
    const BoxDocument* document = mainWindow.document();
    if (document == nullptr || !mainWindow.hasDocument()) {
        return false;
    }
    const std::optional<SeamClosing> closing =
        seamClosing(*document, problem, mainWindow.shownRank());
    if (!closing) {
        return false;
    }
    const std::string id(document->boxes.at(closing->rank).id.view());
    // Shown once moved: the form must not keep the old texts for a later "Valider".
    mainWindow.applyBoxEdit(std::make_unique<ReshapeBox>(
        *document, closing->rank, closing->stuckToRank, boxTextsOf(id, closing->texts)));
    return true;
}
