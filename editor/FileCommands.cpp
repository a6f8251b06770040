// The file commands of the main window, and what keeps work from being lost between them: the
// caption that shows unsaved work, the question before unsaved work would go, the question
// before a file is replaced, and the message that says why a save failed.
#include "BoxForm.h"
#include "CommandProcessor.h"
#include "DisplayText.h"
#include "FileChooser.h"
#include "FileQuestions.h"
#include "InterruptedSave.h"
#include "ListControl.h"
#include "LongWork.h"
#include "QuadrelDlg.h"
#include "TextListLines.h"
#include "boxwriter.h"
#include "orlclass.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
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

// 0, as an unknown size, when the size cannot be had.
std::uint64_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Counts what a save would write, so that its bar can say how far it has gone.
class CountingSink final : public ByteSink {
public:
    std::uint64_t count() const { return count_; }

private:
    void drain(std::string_view bytes) override { count_ += bytes.size(); }

    std::uint64_t count_ = 0;
};

std::uint64_t writtenSize(const BoxDocument& document) {
    CountingSink sink;
    writeBoxContent(document, sink);
    return sink.count();
}

// Reads the file into opened on a worker thread while the window shows how far it has gone,
// with "Annuler".
LoadOutcome readShowingProgress(QWidget* owner, const std::string& path, BoxDocument& opened) {
    LongWork work(owner, QStringLiteral("Ouverture de « %1 »…").arg(fileNameOf(path)),
                  LongWork::Stop::offered);
    LoadOutcome outcome = LoadOutcome::unreadable;
    work.run([&] {
        work.setTotal(sizeOf(path));
        outcome = opened.loadFile(path, [&work](std::uint64_t read) { return work.report(read); });
    });
    return outcome;
}

// Makes the document hold what the other one held, and nothing else.
void takeWhole(BoxDocument& document, BoxDocument& other) {
    document.clear();
    document.setPath(other.getPath());
    document.setCountText(std::move(other.countText));
    document.boxIds.appendAll(other.boxIds);
    document.boxes.appendAll(other.boxes);
    document.intersections.appendAll(other.intersections);
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
    switch (ask(unsavedChangesQuestion(documentName()))) {
    case saveChangesAnswer:
        return saveFile();
    case discardChangesAnswer:
        return true;
    default:
        return false;
    }
}

void QuadrelDlg::showDocumentLines() {
    boxList_->showLines(*boxLines_);
    intersectionList_->showLines(*intersectionLines_);
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

LoadOutcome QuadrelDlg::openFile(const std::string& chosen) {
    const SaveRecovery recovery = recoverBeforeOpening(chosen, std::cerr);
    if (recovery == SaveRecovery::failed) {
        return LoadOutcome::unreadable;
    }
    // One read, taken whole or not at all: a file that cannot be read, or whose reading the user
    // stops, costs nothing, and one that changes meanwhile cannot give a count from one version
    // and boxes from another. The document and the window stay as they are until it is all in.
    BoxDocument opened;
    const LoadOutcome outcome = readShowingProgress(this, chosen, opened);
    if (outcome != LoadOutcome::loaded) {
        return outcome;
    }
    emit documentAboutToChange();
    takeWhole(*document_, opened);
    unnamed_ = false;
    // A file without a count token is saved with the count "0"; the label says so already.
    if (document_->countText.empty()) {
        document_->setCountText("0");
    }
    showDocumentLines();
    clearForm();
    text(pathLabelId) = document_->getPath();
    text(countLabelId) = document_->countText;
    setEditFieldsEnabled(true);
    shownRank_.reset();
    pushToControls();
    forgetFieldUndo();
    commands_->clear();
    setModified(false);
    restored_ = recovery == SaveRecovery::restored;
    showCaption();
    emit documentChanged();
    return LoadOutcome::loaded;
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
    emit documentAboutToChange();
    document_->setPath(*chosen);
    unnamed_ = false;
    const std::string path = document_->getPath();
    // The new file exists, empty, from now on; whether it could be created is not reported.
    if (std::FILE* file = std::fopen(path.c_str(), "w+b")) {
        std::fclose(file);
    }
    showEmptyDocument(path);
    emit documentChanged();
}

void QuadrelDlg::showEmptyDocument(const std::string& path) {
    document_->clear();
    document_->setPath(path);
    document_->setCountText("0");
    text(pathLabelId) = path;
    text(countLabelId) = document_->countText;
    setEditFieldsEnabled(true);
    showDocumentLines();
    clearForm();
    shownRank_.reset();
    pushToControls();
    forgetFieldUndo();
    commands_->clear();
    setModified(false);
}

bool QuadrelDlg::hasDocument() const {
    return unnamed_ || !document_->getPath().empty();
}

QString QuadrelDlg::documentName() const {
    return unnamed_ ? QStringLiteral("Sans titre") : fileNameOf(document_->getPath());
}

void QuadrelDlg::startUnnamedDocument(std::unique_ptr<Edit> firstEdit) {
    unnamed_ = true;
    showEmptyDocument("");
    // The history follows the edit as any other, and tells the other windows.
    commands_->apply(std::move(firstEdit));
}

bool QuadrelDlg::saveFile() {
    // A document not yet named is saved under a name the user gives.
    if (unnamed_) {
        return saveFileAs();
    }
    // With no file chosen or created the document writes nothing; a write that fails leaves the
    // file as it was.
    std::error_code reason;
    if (!writeShowingProgress(reason)) {
        showSaveFailure(document_->getPath(), reason);
        return false;
    }
    commands_->markSaved();
    setModified(false);
    return true;
}

bool QuadrelDlg::saveFileAs() {
    const std::optional<std::string> chosen = chooseBoxFile(*fileChooser_);
    if (!chosen) {
        return false;
    }
    const std::string previousPath = document_->getPath();
    if (exists(*chosen) && !sameFile(*chosen, previousPath) &&
        ask(replaceOnSaveQuestion(fileNameOf(*chosen))) != replaceAnswer) {
        return false;
    }
    document_->setPath(*chosen);
    std::error_code reason;
    // A name the document could not be saved under must not catch the next "Enregistrer".
    if (!writeShowingProgress(reason)) {
        document_->setPath(previousPath);
        showSaveFailure(*chosen, reason);
        return false;
    }
    unnamed_ = false;
    commands_->markSaved();
    setModified(false);
    // The label names the file that later saves go to; the form is left as the user has it.
    text(pathLabelId) = document_->getPath();
    texts_.push(pathLabelId);
    return true;
}

// The save runs on a worker thread, the window showing how far it has gone; once begun it runs
// to its end, since the safe save either replaces the whole file or leaves it as it was.
bool QuadrelDlg::writeShowingProgress(std::error_code& reason) {
    LongWork work(this,
                  QStringLiteral("Enregistrement de « %1 »…").arg(fileNameOf(document_->getPath())),
                  LongWork::Stop::refused);
    bool saved = false;
    work.run([&] {
        work.setTotal(writtenSize(*document_));
        saved =
            document_->writeFile(reason, [&work](std::uint64_t written) { work.report(written); });
    });
    return saved;
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

void QuadrelDlg::setModified(bool modified) {
    modified_ = modified;
    if (!modified) {
        // A fresh or freshly saved document has nothing left that a failed save could lose.
        saveFailed_ = false;
        restored_ = false;
    }
    showCaption();
}

void QuadrelDlg::showCaption() {
    if (!hasDocument()) {
        setWindowTitle(QStringLiteral("Quadrel"));
        return;
    }
    QString caption = documentName();
    if (modified_) {
        caption += u'*';
    }
    caption += QStringLiteral(" - Quadrel");
    if (saveFailed_) {
        caption += QStringLiteral(" (non enregistré)");
    }
    if (restored_) {
        caption += QStringLiteral(" (restauré après une interruption)");
    }
    setWindowTitle(caption);
}
