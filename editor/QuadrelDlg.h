#pragma once

#include "BoundTexts.h"
#include "TemplateDialog.h"
#include "box.h"
#include "progress.h"

#include <QIcon>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

class BoxDocument;
enum class ShapeChange;
struct ShapeTexts;
class CommandProcessor;
class Edit;
class EditField;
class FileChooser;
class ListControl;
class QuestionBox;
struct Question;
class ShapeWindow;
class ViewWindow;
class TextList;
struct DocumentChange;
class TextListLines;

// The system-menu command that opens the about box.
inline constexpr int ABOUT_COMMAND = 0x0010;

// "Annuler" and "Rétablir": the last change taken back, or made again.
inline constexpr int undoButtonId = 1084;
inline constexpr int redoButtonId = 1085;

// The main window: the box list, the intersection list, the form of one box and the file
// commands. It works on a document it does not own.
class QuadrelDlg : public TemplateDialog {
    Q_OBJECT

public:
    explicit QuadrelDlg(QWidget* parent = nullptr);
    ~QuadrelDlg() override;

    // Also starts the document's history afresh.
    void setDocument(BoxDocument* document);
    const BoxDocument* document() const { return document_; }
    // Where every command applies its edit, and the history of those edits.
    CommandProcessor& commands() const { return *commands_; }
    // Replace the file dialogs, of "Choisir..." and "Enregistrer sous" and of "Nouveau", and the
    // question boxes, for instance by scripted ones in tests.
    void setFileChooser(std::unique_ptr<FileChooser> chooser);
    void setNewFileChooser(std::unique_ptr<FileChooser> chooser);
    void setQuestionBox(std::unique_ptr<QuestionBox> questionBox);
    // Whether the document holds changes that are not on disk; the caption shows it, and
    // closing the window or replacing the document asks first.
    bool hasUnsavedChanges() const { return modified_; }
    // Opens the file as "Choisir..." does once the file is chosen. A file that cannot be read, or
    // whose reading the user stops, changes nothing.
    LoadOutcome openFile(const std::string& path);
    // Whether the window holds a document: a file chosen or created, or a document not yet named.
    bool hasDocument() const;
    // Starts a document with no name whose history begins with the edit, as an import with no
    // file open does: the edit can be undone, and "Enregistrer" asks for a name as "Enregistrer
    // sous" does. Precondition: no document is open.
    void startUnnamedDocument(std::unique_ptr<Edit> firstEdit);

    // Text N of control N: the 56 edit fields and the labels 1004, 1006 and 1086.
    std::string& text(int id) { return texts_.text(id); }
    void pushToControls() { texts_.push(); }
    void pullFromControls() { texts_.pull(); }
    // Empties the 56 edit-field texts; the labels keep theirs.
    void clearForm();
    void setEditFieldsEnabled(bool enabled);

    // The box commands: show the selected box, write the form back ("Valider"), add the form as
    // a new box, delete the selected box with its intersections.
    void selectBox();
    void validateBox();
    void addBox();
    void deleteBox();
    // The intersection commands: add a pair through the add-intersection dialog, delete the
    // selected pair.
    void addIntersection();
    void deleteIntersection();

    // Takes back the last change, or makes again the last one taken back.
    void undo();
    void redo();

    // Opens the 3D view, or brings the open one to the front.
    void openView();
    ViewWindow* view() const { return view_; }
    // Selects line rank of the box list and shows its box, as a click on that line does.
    void showBoxOfRank(std::size_t rank);
    // The rank of the box the form shows, while it is a box of the document.
    std::optional<std::size_t> shownRank() const { return shownRank_; }
    // What the form's ID field, and the fields of the 29 texts of a box, show now, pulled or not.
    std::string shownId() const;
    BoxTexts shownBoxTexts() const;
    // The drags of the 3D view: texts of a box's place and form written into the form's fields
    // as a fix writes them, each decimal field showing what its text reads as; and the same
    // made one edit of the box the form shows, which the form then shows.
    void showShapeInForm(const ShapeTexts& texts);
    void reshapeShownBox(ShapeChange change, const ShapeTexts& texts);
    // The fixes the 3D view offers, each one edit of the document: new texts for the four
    // values of one plane of a box, which the form then shows; pairs appended; listed texts
    // removed, each as removing the first equal line would.
    void normalisePlane(std::size_t rank, int plane, const std::array<std::string, 4>& hexTexts);
    void appendIntersections(const std::vector<std::string>& pairs);
    void removeIntersections(const std::vector<std::string>& pairs);
    // Writes texts into the form as if typed into its fields: at boxslot::radius, or at the slot
    // of a value's hexadecimal field, its decimal partner showing what the text reads as.
    void typeIntoForm(const std::vector<std::pair<std::size_t, std::string>>& slotTexts);
    // Applies the edit of a tool that reshapes or adds a box, then selects the box it concerns and
    // fills the form with its texts as the document now holds them: what the form held is dropped.
    void applyBoxEdit(std::unique_ptr<Edit> edit);

    // Opens "Forme - Quadrel", or brings the open one to the front.
    void openShapeWindow();
    ShapeWindow* shapeWindow() const { return shapeWindow_; }

signals:
    // Just before the document changes, by a command or by another file taking its place: what
    // reads it on another thread stops now.
    void documentAboutToChange();
    // Every command that changes the document or opens another one says so here, once.
    void documentChanged();
    // A field of the form that describes the box shown has changed, by the user or the program.
    void formChanged();
    // An undo or redo showed the box its entry changed: the view frames it.
    void boxShownByHistory(std::size_t rank);

public slots:
    // Closes the window, unless unsaved changes are kept by the user's answer.
    void reject() override;

protected:
    void handleSystemCommand(int commandId) override;

private:
    void bindTexts();
    void connectFieldPairs();
    void connectHistory();
    // The form as the 29 texts of a box, as "Valider" and "Ajouter" store them.
    BoxTexts formTexts() const;
    void appendFormAsBox(bool validating);
    void fillFormFromBox(std::size_t rank);
    // After a command that fills the form: Ctrl+Z then takes back the command, not the typing.
    void forgetFieldUndo();
    void followEdit(const DocumentChange& change, bool fromHistory);
    void followHistory();
    void showShownRank();
    void nameControlsForScreenReaders();
    void addAboutEntry();
    std::optional<std::string> chooseBoxFile(FileChooser& chooser);
    std::size_t ask(const Question& question);
    // Both lists show the document's lines afresh, none selected.
    void showDocumentLines();

    // Whether the document differs from what was last read or saved; the caption shows it.
    void setModified(bool modified);
    void showCaption();
    void showSaveFailure(const std::string& path, std::error_code reason);
    // Asks what to do with unsaved changes, if there are any. False when they are to stay,
    // because the user said so or because saving them failed.
    bool settleUnsavedChanges();

    void chooseFile();
    void newFile();
    // An empty document in the window under the path (none for a document not yet named), its
    // history fresh.
    void showEmptyDocument(const std::string& path);
    // False, with the reason told, when the document could not be saved.
    bool saveFile();
    bool writeShowingProgress(std::error_code& reason);
    // False when the user cancels or the document could not be saved.
    bool saveFileAs();
    // The name the caption and the questions give the document.
    QString documentName() const;
    void showHelp();

    std::vector<EditField*> editFields_;
    ListControl* intersectionList_ = nullptr;
    BoxDocument* document_ = nullptr;
    ListControl* boxList_ = nullptr;
    // The document's lists as the list controls read them.
    std::unique_ptr<TextListLines> boxLines_;
    std::unique_ptr<TextListLines> intersectionLines_;
    BoundTexts texts_;
    QIcon icon_;
    std::unique_ptr<FileChooser> fileChooser_;
    std::unique_ptr<FileChooser> newFileChooser_;
    std::unique_ptr<QuestionBox> questionBox_;
    ViewWindow* view_ = nullptr;
    ShapeWindow* shapeWindow_ = nullptr;
    std::unique_ptr<CommandProcessor> commands_;
    std::optional<std::size_t> shownRank_;
    // An edit reached the lists since the windows were last told.
    bool editedSinceNotice_ = false;
    bool modified_ = false;
    bool saveFailed_ = false;
    // The file was put back from the copy a save cut short had left, as the caption says.
    bool restored_ = false;
    // A document is open that has no file yet.
    bool unnamed_ = false;
};
