#include "QuadrelDlg.h"

#include "AboutDialog.h"
#include "Addi.h"
#include "Aide.h"
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "EditField.h"
#include "FileChooser.h"
#include "IconResource.h"
#include "ListControl.h"
#include "QuestionBox.h"
#include "StringTable.h"
#include "SystemMenu.h"
#include "TextListLines.h"
#include "box.h"
#include "intersectionedits.h"
#include "orlclass.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int mainTemplateId = 102;
constexpr int aboutStringId = 101;
constexpr int programIconId = 149;

constexpr int chooseButtonId = 1000;
constexpr int newButtonId = 1036;
constexpr int saveButtonId = 3;
constexpr int saveAsButtonId = 4;
constexpr int helpButtonId = 1082;
constexpr int boxListId = 1008;
constexpr int intersectionListId = 1027;
constexpr int validateButtonId = 1081;
constexpr int addBoxButtonId = 1032;
constexpr int deleteBoxButtonId = 1031;
constexpr int addIntersectionButtonId = 1029;
constexpr int deleteIntersectionButtonId = 1030;
constexpr int viewButtonId = 1083;
constexpr int shapeButtonId = 1087;

bool isUndoKey(const QKeyEvent& key) {
    return key.matches(QKeySequence::Undo);
}

bool isRedoKey(const QKeyEvent& key) {
    return key.matches(QKeySequence::Redo) ||
           key.keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) ||
           key.keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

// A field keeps Ctrl+Z and Ctrl+Y for its own typing while it has some to take back or bring
// again; past that, the keys reach the window and undo or redo the document.
class FieldUndoFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) {
            return false;
        }
        const auto* field = qobject_cast<EditField*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (field == nullptr) {
            return false;
        }
        return (isUndoKey(*key) && !field->isUndoAvailable()) ||
               (isRedoKey(*key) && !field->isRedoAvailable());
    }
};

const QString boxFileFilter =
    QStringLiteral("Fichier BOX (*.box)|*.box|Tous les fichiers(*.*)|*.*");

} // namespace

QuadrelDlg::QuadrelDlg(QWidget* parent)
    : TemplateDialog(mainTemplateId, parent), icon_(loadIcon(programIconId)),
      questionBox_(std::make_unique<StandardQuestionBox>()) {
    // "Nouveau" names a file to be written: it gets a save-style dialog that opens where the
    // others were last left.
    auto openChooser = std::make_unique<FileDialogChooser>(boxFileFilter, QStringLiteral("box"));
    newFileChooser_ =
        openChooser->saveStyle(QStringLiteral("Nouveau fichier BOX"), QStringLiteral("Créer"));
    fileChooser_ = std::move(openChooser);
    for (const ControlTemplate& control : dialogTemplate().controls) {
        if (control.kind == ControlKind::Edit) {
            editFields_.push_back(controlAs<EditField>(control.id));
        }
    }
    intersectionList_ = controlAs<ListControl>(intersectionListId);
    boxList_ = controlAs<ListControl>(boxListId);
    bindTexts();

    onClick(chooseButtonId, [this] { chooseFile(); });
    onClick(newButtonId, [this] { newFile(); });
    onClick(saveButtonId, [this] { saveFile(); });
    onClick(saveAsButtonId, [this] { saveFileAs(); });
    onClick(helpButtonId, [this] { showHelp(); });
    connect(boxList_, &ListControl::userSelectionChanged, this, [this] { selectBox(); });
    onClick(deleteIntersectionButtonId, [this] { deleteIntersection(); });
    onClick(addIntersectionButtonId, [this] { addIntersection(); });
    onClick(deleteBoxButtonId, [this] { deleteBox(); });
    onClick(addBoxButtonId, [this] { addBox(); });
    connectFieldPairs();
    onClick(validateButtonId, [this] { validateBox(); });
    onClick(viewButtonId, [this] { openView(); });
    // A click opens the view and leaves the keyboard where it was, in the field being typed in.
    control(viewButtonId)->setFocusPolicy(Qt::TabFocus);
    onClick(shapeButtonId, [this] { openShapeWindow(); });
    control(shapeButtonId)->setFocusPolicy(Qt::TabFocus);
    onClick(undoButtonId, [this] { undo(); });
    onClick(redoButtonId, [this] { redo(); });
    auto* fieldUndoFilter = new FieldUndoFilter(this);
    for (EditField* field : editFields_) {
        field->installEventFilter(fieldUndoFilter);
    }
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        addShortcut(key, [this] { redo(); });
    }
    // The view follows what the fields show, typed or set by a command, before "Valider".
    connect(controlAs<EditField>(idFieldId), &QLineEdit::textChanged, this,
            &QuadrelDlg::formChanged);
    for (const FieldPair& pair : fieldPairs()) {
        connect(controlAs<EditField>(pair.hexId), &QLineEdit::textChanged, this,
                &QuadrelDlg::formChanged);
    }
    setButtonShortcut(chooseButtonId, QKeySequence(Qt::CTRL | Qt::Key_O));
    setButtonShortcut(newButtonId, QKeySequence(Qt::CTRL | Qt::Key_N));
    setButtonShortcut(saveButtonId, QKeySequence(Qt::CTRL | Qt::Key_S));
    setButtonShortcut(saveAsButtonId, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    setButtonShortcut(helpButtonId, QKeySequence(Qt::Key_F1));
    setButtonShortcut(validateButtonId, QKeySequence(Qt::CTRL | Qt::Key_Return));
    setButtonShortcut(viewButtonId, QKeySequence(Qt::Key_F3));
    setButtonShortcut(shapeButtonId, QKeySequence(Qt::Key_F4));

    nameControlsForScreenReaders();
    pushToControls();
    addAboutEntry();
    setWindowIcon(icon_);
    setEditFieldsEnabled(false);
}

QuadrelDlg::~QuadrelDlg() = default;

void QuadrelDlg::setDocument(BoxDocument* document) {
    document_ = document;
    unnamed_ = false;
    commands_ = std::make_unique<CommandProcessor>(*document_);
    boxLines_ = std::make_unique<TextListLines>(document_->boxIds);
    intersectionLines_ = std::make_unique<TextListLines>(document_->intersections);
    showDocumentLines();
    connectHistory();
    followHistory();
}

void QuadrelDlg::bindTexts() {
    for (EditField* field : editFields_) {
        texts_.bind(field->property("controlId").toInt(), field);
    }
    texts_.bind(countLabelId, controlAs<QLabel>(countLabelId));
    // The file's name, at the end of its path, is what tells the user which file is open.
    texts_.bindCutInTheMiddle(pathLabelId, controlAs<QLabel>(pathLabelId));
    texts_.bind(rankLabelId, controlAs<QLabel>(rankLabelId));
    for (const int labelId : {countLabelId, pathLabelId, rankLabelId}) {
        // A count of 100 or a long path would not fit the few units the layout gives them.
        widenIntoFreeRoom(labelId);
    }
}

// Each change the user makes to a field of a pair converts the whole field into its partner; the
// push leaves the typed field alone, and starts no reaction of the partner's.
void QuadrelDlg::connectFieldPairs() {
    for (const FieldPair& pair : fieldPairs()) {
        auto* decimalField = controlAs<EditField>(pair.decimalId);
        // A value below 0.1 is written with an exponent, which must stay in sight.
        decimalField->setKeepsEndFrom(QLatin1Char('e'));
        decimalField->setChangeReaction([this, &pair] {
            pullFromControls();
            const std::string& decimal = text(pair.decimalId);
            text(pair.hexId) = pair.format == HexFormat::FourDigits
                                   ? document_->decimalToHex4(decimal)
                                   : document_->decimalToHex8(decimal);
            pushToControls();
        });
        auto* hexField = controlAs<EditField>(pair.hexId);
        // A space inside a stored value would be saved as two tokens and shift the whole file.
        hexField->setRefusesWhiteSpace(true);
        hexField->setChangeReaction([this, &pair] {
            pullFromControls();
            text(pair.decimalId) = document_->hexToDecimal(text(pair.hexId), pair.format);
            pushToControls();
        });
    }
}

// Built from the captions around each control, as a sighted user reads the form.
void QuadrelDlg::nameControlsForScreenReaders() {
    for (const FieldPair& pair : fieldPairs()) {
        const QString value = pair.slot >= boxslot::firstPlane
                                  ? QStringLiteral("Plan %1, %2")
                                        .arg((pair.slot - boxslot::firstPlane) / 4)
                                        .arg(QChar(u"abcd"[(pair.slot - boxslot::firstPlane) % 4]))
                                  : QStringLiteral("Coordonnées du centre, %1")
                                        .arg(QChar(u"XYZ"[pair.slot - boxslot::firstCentre]));
        control(pair.decimalId)->setAccessibleName(value + QStringLiteral(", décimal"));
        control(pair.hexId)->setAccessibleName(value + QStringLiteral(", hexadécimal"));
    }
    const std::pair<int, const char*> standAlone[] = {
        {idFieldId, "ID de la box"},
        {radiusFieldId, "Maximum Radius"},
        {countLabelId, "Nombre de box"},
        {pathLabelId, "Fichier en cours d'étude"},
        {rankLabelId, "Rang box"},
        {boxListId, "Liste des box"},
        {intersectionListId, "Intersections"},
        {addBoxButtonId, "Ajouter une box"},
        {deleteBoxButtonId, "Supprimer la box"},
        {addIntersectionButtonId, "Ajouter une intersection"},
        {deleteIntersectionButtonId, "Supprimer l'intersection"},
    };
    for (const auto& [id, name] : standAlone) {
        control(id)->setAccessibleName(QString::fromUtf8(name));
    }
}

void QuadrelDlg::addAboutEntry() {
    const QString aboutText = loadString(aboutStringId);
    if (systemMenu() && !aboutText.isEmpty()) {
        systemMenu()->appendSeparator();
        systemMenu()->appendItem(aboutText, ABOUT_COMMAND);
    }
}

void QuadrelDlg::clearForm() {
    for (EditField* field : editFields_) {
        texts_.text(field->property("controlId").toInt()).clear();
    }
}

void QuadrelDlg::setEditFieldsEnabled(bool enabled) {
    for (EditField* field : editFields_) {
        field->setEnabled(enabled);
    }
}

void QuadrelDlg::handleSystemCommand(int commandId) {
    if ((commandId & 0xFFF0) == ABOUT_COMMAND) {
        AboutDialog about(this);
        about.runModal();
        return;
    }
    TemplateDialog::handleSystemCommand(commandId);
}

void QuadrelDlg::showHelp() {
    AideDialog help(this);
    help.runModal();
}

void QuadrelDlg::addIntersection() {
    if (!hasDocument()) {
        return;
    }
    AddiDialog dialog(this);
    dialog.setDocument(document_);
    if (dialog.runModal() == QDialog::Accepted) {
        commands_->apply(AppendIntersections::added(dialog.chosenPair()));
    } else {
        // As after a pair added, no line stays selected.
        intersectionList_->followLines({});
    }
}

void QuadrelDlg::deleteIntersection() {
    if (!hasDocument()) {
        return;
    }
    const std::optional<int> line = intersectionList_->selectedIndex();
    if (!line || static_cast<std::size_t>(*line) >= document_->intersections.size()) {
        return;
    }
    // By position: of two equal lines, the selected one's entry leaves.
    commands_->apply(RemoveIntersections::removed(*document_, static_cast<std::size_t>(*line)));
}
