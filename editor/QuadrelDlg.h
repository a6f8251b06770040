#pragma once

#include "BoundTexts.h"
#include "TemplateDialog.h"

#include <QIcon>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Box;
class BoxDocument;
class EditField;
class FileChooser;
class ListControl;

// The system-menu command that opens the about box.
inline constexpr int ABOUT_COMMAND = 0x0010;

// The main window: the box list, the intersection list, the form of one box and the file
// commands. It works on a document it does not own.
class QuadrelDlg : public TemplateDialog {
    Q_OBJECT

public:
    explicit QuadrelDlg(QWidget* parent = nullptr);
    ~QuadrelDlg() override;

    void setDocument(BoxDocument* document) { document_ = document; }
    // Replaces the file dialog, for instance by a scripted chooser in tests.
    void setFileChooser(std::unique_ptr<FileChooser> chooser);
    // Opens the file as "Choisir..." does once the file is chosen. A file that cannot be read
    // changes nothing and gives false.
    bool openFile(const std::string& path);

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

protected:
    void handleSystemCommand(int commandId) override;

private:
    void bindTexts();
    void connectFieldPairs();
    void storeForm(Box& box) const;
    void addToCount(long long delta);
    void refillIntersectionList();
    void nameControlsForScreenReaders();
    void addAboutEntry();
    std::optional<std::string> chooseBoxFile();
    void fillLists();

    // Whether the document differs from what was last read or saved; the caption shows it.
    void setModified(bool modified);
    void showCaption();
    void showSaveResult(bool saved);

    void chooseFile();
    void newFile();
    void saveFile();
    void saveFileAs();
    void showHelp();

    std::vector<EditField*> editFields_;
    ListControl* intersectionList_ = nullptr;
    BoxDocument* document_ = nullptr;
    ListControl* boxList_ = nullptr;
    BoundTexts texts_;
    QIcon icon_;
    std::unique_ptr<FileChooser> fileChooser_;
    bool modified_ = false;
    bool saveFailed_ = false;
};
