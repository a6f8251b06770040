// The file commands of the main window, and what keeps work from being lost between them: the
// caption that shows unsaved work, the question before unsaved work would go, the question
// before a file is replaced, and the message that says why a save failed.
#include "BoxForm.h"
#include "DisplayText.h"
#include "FileChooser.h"
#include "FileQuestions.h"
#include "ListControl.h"
#include "QuadrelDlg.h"
#include "boxwriter.h"
#include "orlclass.h"

#include <QFile>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

QString fileNameOf(const std::string& path) {
    return decodeForDisplay(std::string_view(path).substr(path.rfind('/') + 1));
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool sameFile(const std::string& path, const std::string& other) {
    std::error_code error;
    return !other.empty() && std::filesystem::equivalent(path, other, error);
}

} // namespace

void QuadrelDlg::setFileChooser(std::unique_ptr<FileChooser> chooser) {
    fileChooser_ = std::move(chooser);
}

void QuadrelDlg::setNewFileChooser(std::unique_ptr<FileChooser> chooser) {
    newFileChooser_ = std::move(chooser);
}

void QuadrelDlg::setQuestionBox(std::unique_ptr<QuestionBox> questionBox) {
    questionBox_ = std::move(questionBox);
}

std::optional<std::string> QuadrelDlg::chooseBoxFile(FileChooser& chooser) {
    const std::optional<QString> chosen = chooser.choose(this);
    if (!chosen) {
        return std::nullopt;
    }
    return QFile::encodeName(*chosen).toStdString();
}

std::size_t QuadrelDlg::ask(const Question& question) {
    return questionBox_->ask(this, question);
}

// Quitter, Escape, the close box and the system menu's close all come here.
void QuadrelDlg::reject() {
    if (settleUnsavedChanges()) {
        TemplateDialog::reject();
    }
}

bool QuadrelDlg::settleUnsavedChanges() {
    if (!hasUnsavedChanges()) {
        return true;
    }
    switch (ask(unsavedChangesQuestion(fileNameOf(document_->getPath())))) {
    case saveChangesAnswer:
        return saveFile();
    case discardChangesAnswer:
        return true;
    default:
        return false;
    }
}

void QuadrelDlg::fillLists() {
    boxList_->appendLines(document_->boxIds);
    intersectionList_->appendLines(document_->intersections);
}

void QuadrelDlg::chooseFile() {
    if (!settleUnsavedChanges()) {
        return;
    }
    const std::optional<std::string> chosen = chooseBoxFile(*fileChooser_);
    if (chosen) {
        openFile(*chosen);
    }
}

bool QuadrelDlg::openFile(const std::string& chosen) {
    // One read, taken whole or not at all: a file that cannot be read costs the user nothing,
    // and one that changes meanwhile cannot give a count from one version and boxes from another.
    if (!document_->loadFile(chosen)) {
        return false;
    }
    // A file without a count token is saved with the count "0"; the label says so already.
    if (document_->countText.empty()) {
        document_->setCountText("0");
    }
    boxList_->removeAllLines();
    intersectionList_->removeAllLines();
    clearForm();
    text(pathLabelId) = document_->getPath();
    text(countLabelId) = document_->countText;
    fillLists();
    setEditFieldsEnabled(true);
    pushToControls();
    setModified(false);
    emit documentChanged();
    return true;
}

void QuadrelDlg::newFile() {
    if (!settleUnsavedChanges()) {
        return;
    }
    const std::optional<std::string> chosen = chooseBoxFile(*newFileChooser_);
    if (!chosen) {
        return;
    }
    if (exists(*chosen) && ask(replaceByEmptyFileQuestion(fileNameOf(*chosen))) != replaceAnswer) {
        return;
    }
    document_->setPath(*chosen);
    const std::string path = document_->getPath();
    // The new file exists, empty, from now on; whether it could be created is not reported.
    if (std::FILE* file = std::fopen(path.c_str(), "w+b")) {
        std::fclose(file);
    }
    text(pathLabelId) = path;
    document_->setCountText("0");
    text(countLabelId) = document_->countText;
    setEditFieldsEnabled(true);
    document_->clear();
    boxList_->removeAllLines();
    intersectionList_->removeAllLines();
    clearForm();
    pushToControls();
    setModified(false);
    emit documentChanged();
}

bool QuadrelDlg::saveFile() {
    // With no file chosen or created the document writes nothing; a write that fails leaves the
    // file as it was.
    std::error_code reason;
    if (!document_->writeFile(reason)) {
        showSaveFailure(document_->getPath(), reason);
        return false;
    }
    setModified(false);
    return true;
}

void QuadrelDlg::saveFileAs() {
    const std::optional<std::string> chosen = chooseBoxFile(*fileChooser_);
    if (!chosen) {
        return;
    }
    const std::string previousPath = document_->getPath();
    if (exists(*chosen) && !sameFile(*chosen, previousPath) &&
        ask(replaceOnSaveQuestion(fileNameOf(*chosen))) != replaceAnswer) {
        return;
    }
    document_->setPath(*chosen);
    std::error_code reason;
    // A name the document could not be saved under must not catch the next "Enregistrer".
    if (!document_->writeFile(reason)) {
        document_->setPath(previousPath);
        showSaveFailure(*chosen, reason);
        return;
    }
    setModified(false);
    // The label names the file that later saves go to; the form is left as the user has it.
    text(pathLabelId) = document_->getPath();
    texts_.push(pathLabelId);
}

// With no file there is nothing a save could lose, and nothing to say. The caption keeps
// telling it after the message is gone.
void QuadrelDlg::showSaveFailure(const std::string& path, std::error_code reason) {
    if (path.empty()) {
        return;
    }
    saveFailed_ = true;
    showCaption();
    const QString why =
        readsBackUnchanged(*document_) ? saveFailureReason(reason) : unreadableTextReason();
    ask(saveFailedMessage(decodeForDisplay(path), why));
}

void QuadrelDlg::markEdited() {
    setModified(true);
    emit documentChanged();
}

void QuadrelDlg::setModified(bool modified) {
    modified_ = modified;
    if (!modified) {
        // A fresh or freshly saved document has nothing left that a failed save could lose.
        saveFailed_ = false;
    }
    showCaption();
}

void QuadrelDlg::showCaption() {
    const std::string& path = document_->getPath();
    if (path.empty()) {
        setWindowTitle(QStringLiteral("Quadrel"));
        return;
    }
    QString caption = fileNameOf(path);
    if (modified_) {
        caption += u'*';
    }
    caption += QStringLiteral(" - Quadrel");
    if (saveFailed_) {
        caption += QStringLiteral(" (non enregistré)");
    }
    setWindowTitle(caption);
}
