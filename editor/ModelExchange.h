#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <memory>

class FileChooser;
class ImportReportWindow;
class QWidget;
class QuadrelDlg;
class QuestionBox;
struct Question;

// "Importer..." and "Exporter..." of the 3D view. An import appends one box per mesh of a model
// to the main window's document, with their intersections, as one edit that one undo takes back,
// or with no document open makes them a new document, not yet named, whose history starts with
// the import; it shows a report of the fit of each mesh. An export writes the document's boxes
// as a model (OBJ, glb, Collada, FBX, STL or PLY). A file that cannot be read or written is told,
// with the reason, and changes nothing.
class ModelExchange : public QObject {
    Q_OBJECT

public:
    // owner: the window the dialogs and the report belong to.
    ModelExchange(QuadrelDlg& mainWindow, QWidget& owner);
    ~ModelExchange() override;

    // Replace the file dialogs and the message boxes, for instance by scripted ones in tests.
    void setImportChooser(std::unique_ptr<FileChooser> chooser);
    void setExportChooser(std::unique_ptr<FileChooser> chooser);
    void setQuestionBox(std::unique_ptr<QuestionBox> questionBox);

    void importModel();
    void exportModel();

    // The report of the last import; none before the first.
    ImportReportWindow* reportWindow() const { return reportWindow_; }

signals:
    // The boxes of a model became a new document: a view shows them whole.
    void importedAsNewDocument();

private:
    bool documentToExport();
    void showFirstNewBox(std::size_t rank);
    void tell(const QString& title, const QString& text, bool warning);

    QuadrelDlg& mainWindow_;
    QWidget& owner_;
    std::unique_ptr<FileChooser> importChooser_;
    std::unique_ptr<FileChooser> exportChooser_;
    std::unique_ptr<QuestionBox> questionBox_;
    ImportReportWindow* reportWindow_ = nullptr;
};
