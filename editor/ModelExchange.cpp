#include "ModelExchange.h"

#include "CommandProcessor.h"
#include "ExchangeOptions.h"
#include "FileChooser.h"
#include "FileQuestions.h"
#include "ImportReportWindow.h"
#include "LongWork.h"
#include "QuadrelDlg.h"
#include "QuestionBox.h"
#include "boxedits.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"

#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace {

const QString modelFileFilter =
    QStringLiteral("Modèles 3D (*.obj *.gltf *.glb *.fbx *.dae *.3ds *.ply *.stl)|"
                   "*.obj *.gltf *.glb *.fbx *.dae *.3ds *.ply *.stl|Tous les fichiers(*.*)|*.*");
const QString exportFileFilter =
    QStringLiteral("Wavefront OBJ (*.obj)|*.obj|glTF binaire (*.glb)|*.glb|Collada (*.dae)|*.dae|"
                   "FBX (*.fbx)|*.fbx|STL (*.stl)|*.stl|PLY (*.ply)|*.ply");

QString fileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

std::string encodedPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The progress of the work as the bar shows it; false once the user has asked to stop.
WorkProgress progressOf(LongWork& work) {
    return [&work](std::uint64_t done, std::uint64_t total) {
        work.setTotal(total);
        return work.report(done);
    };
}

// What reading and fitting a model gave: the boxes, or why there are none.
struct FittedModel {
    std::optional<ModelBoxes> boxes;
    // Assimp's reason when the model could not be read.
    std::optional<std::string> unreadable;
};

// Reads the model and fits its boxes against the document on a worker thread, while the window
// shows how far it has gone, with "Annuler". Assimp's reading tells nothing of its progress: the
// bar stays busy until the meshes are fitted. A stopped import brings no boxes and changes nothing.
FittedModel fitShowingProgress(QWidget* owner, const QString& path, const QString& fileName,
                               const BoxDocument& document, const ImportOptions& options) {
    LongWork work(owner, QStringLiteral("Importation de « %1 »…").arg(fileName),
                  LongWork::Stop::offered);
    FittedModel fitted;
    work.run([&] {
        std::string error;
        const std::optional<ModelContent> model = readModelFile(encodedPath(path), error);
        if (!model) {
            fitted.unreadable = error;
            return;
        }
        fitted.boxes = fitModelBoxes(*model, document, options, progressOf(work));
    });
    return work.stopRequested() ? FittedModel() : fitted;
}

std::unique_ptr<Edit> importEdit(ModelBoxes& fitted, const QString& fileName) {
    const QString name = QStringLiteral("Importer %1 box de « %2 »")
                             .arg(QString::number(fitted.boxes.size()), fileName);
    return std::make_unique<AppendBoxes>(name.toStdString(), std::move(fitted.boxes),
                                         std::move(fitted.intersections));
}

QString exportMessage(const QString& fileName, const ExportReport& report) {
    QString text = QStringLiteral("%1 box écrite%2 dans « %3 ».")
                       .arg(report.boxesWritten)
                       .arg(report.boxesWritten > 1 ? QStringLiteral("s") : QString())
                       .arg(fileName);
    if (report.linesWritten != 0) {
        text += QStringLiteral("\n%1 intersection%2 en lignes.")
                    .arg(report.linesWritten)
                    .arg(report.linesWritten > 1 ? QStringLiteral("s") : QString());
    }
    if (!report.skippedRanks.empty()) {
        QStringList ranks;
        for (std::size_t rank : report.skippedRanks) {
            if (ranks.size() == 10) {
                ranks << QStringLiteral("…");
                break;
            }
            ranks << QString::number(rank);
        }
        const QString plural = report.skippedRanks.size() > 1 ? QStringLiteral("s") : QString();
        text += QStringLiteral("\n%1 box laissée%2 de côté, sans solide (rang%2 %3).")
                    .arg(QString::number(report.skippedRanks.size()), plural,
                         ranks.join(QStringLiteral(", ")));
    }
    return text;
}

} // namespace

ModelExchange::ModelExchange(QuadrelDlg& mainWindow, QWidget& owner)
    : QObject(&owner), mainWindow_(mainWindow), owner_(owner),
      questionBox_(std::make_unique<StandardQuestionBox>()) {
    importChooser_ = std::make_unique<FileDialogChooser>(modelFileFilter, QString());
    exportChooser_ = FileDialogChooser(exportFileFilter, QStringLiteral("obj"))
                         .saveStyle(QStringLiteral("Exporter les box"), QStringLiteral("Exporter"));
}

ModelExchange::~ModelExchange() = default;

void ModelExchange::setImportChooser(std::unique_ptr<FileChooser> chooser) {
    importChooser_ = std::move(chooser);
}

void ModelExchange::setExportChooser(std::unique_ptr<FileChooser> chooser) {
    exportChooser_ = std::move(chooser);
}

void ModelExchange::setQuestionBox(std::unique_ptr<QuestionBox> questionBox) {
    questionBox_ = std::move(questionBox);
}

void ModelExchange::tell(const QString& title, const QString& text, bool warning) {
    Question message;
    message.title = title;
    message.text = text;
    message.answers = {{QStringLiteral("OK"), AnswerRole::Accept}};
    message.tone = warning ? QuestionTone::Warning : QuestionTone::Information;
    questionBox_->ask(&owner_, message);
}

bool ModelExchange::documentToExport() {
    if (mainWindow_.document() != nullptr && mainWindow_.hasDocument()) {
        return true;
    }
    tell(
        QStringLiteral("Quadrel"),
        QStringLiteral("Ouvrez ou créez d'abord un fichier BOX : ce sont ses box qui s'exportent."),
        false);
    return false;
}

void ModelExchange::importModel() {
    if (mainWindow_.document() == nullptr) {
        return;
    }
    const std::optional<QString> chosen = importChooser_->choose(&owner_);
    if (!chosen) {
        return;
    }
    const QString fileName = fileNameOf(*chosen);
    ImportOptionsDialog optionsDialog(fileName, &owner_);
    if (optionsDialog.exec() != QDialog::Accepted) {
        return;
    }
    // With no document open, the boxes are fitted against none.
    const bool intoNewDocument = !mainWindow_.hasDocument();
    const BoxDocument none;
    FittedModel model = fitShowingProgress(&owner_, *chosen, fileName,
                                           intoNewDocument ? none : *mainWindow_.document(),
                                           optionsDialog.options());
    if (model.unreadable) {
        tell(QStringLiteral("Importer"),
             // Assimp says why, in English.
             QStringLiteral("Impossible de lire « %1 ».\nRaison donnée par Assimp : %2")
                 .arg(fileName, QString::fromStdString(*model.unreadable)),
             true);
        return;
    }
    if (!model.boxes) {
        return;
    }
    ModelBoxes& fitted = *model.boxes;
    if (!fitted.boxes.empty()) {
        const std::size_t firstNewRank = intoNewDocument ? 0 : mainWindow_.document()->boxes.size();
        if (intoNewDocument) {
            mainWindow_.startUnnamedDocument(importEdit(fitted, fileName));
        } else {
            mainWindow_.commands().apply(importEdit(fitted, fileName));
        }
        showFirstNewBox(firstNewRank);
        if (intoNewDocument) {
            emit importedAsNewDocument();
        }
    }
    if (reportWindow_ == nullptr) {
        reportWindow_ = new ImportReportWindow(&owner_, mainWindow_);
    }
    reportWindow_->showReport(fileName, fitted.report);
}

// The form shows the first new box, as a click on its line would: the edit leaves the last line
// selected with the form as it was, where "Valider" would write that form over a new box.
void ModelExchange::showFirstNewBox(std::size_t rank) {
    if (mainWindow_.shownRank() == rank) {
        mainWindow_.selectBox();
    } else {
        mainWindow_.showBoxOfRank(rank);
    }
}

void ModelExchange::exportModel() {
    if (!documentToExport()) {
        return;
    }
    ExportOptionsDialog optionsDialog(&owner_);
    if (optionsDialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<QString> chosen = exportChooser_->choose(&owner_);
    if (!chosen) {
        return;
    }
    const QString fileName = fileNameOf(*chosen);
    const std::optional<ModelFormat> format = modelFormatOf(encodedPath(*chosen));
    if (!format) {
        tell(QStringLiteral("Exporter"),
             QStringLiteral("« %1 » n'a pas l'extension d'un format que Quadrel écrit (.obj, .glb, "
                            ".dae, .fbx, .stl, .ply) : rien n'a été écrit.")
                 .arg(fileName),
             true);
        return;
    }
    const std::string path = encodedPath(*chosen);
    std::error_code existsError;
    if (std::filesystem::exists(path, existsError) &&
        questionBox_->ask(&owner_, replaceOnSaveQuestion(fileName)) != replaceAnswer) {
        return;
    }
    ExportOptions options;
    options.intersections = optionsDialog.withIntersections();
    ExportReport report;
    std::string error;
    bool written = false;
    // Stopped, the safe save leaves any file there as it was: there is nothing to tell.
    LongWork work(&owner_, QStringLiteral("Exportation vers « %1 »…").arg(fileName),
                  LongWork::Stop::offered);
    work.run([&] {
        written = writeModelFile(*mainWindow_.document(), path, *format, options, report, error,
                                 progressOf(work));
    });
    if (report.stopped) {
        return;
    }
    if (!written) {
        // The system's reasons are told in French; Assimp's come in English.
        const QString reason =
            report.fileError ? saveFailureReason(report.fileError) : QString::fromStdString(error);
        tell(QStringLiteral("Exporter"),
             QStringLiteral("Impossible d'écrire « %1 ».\n%2").arg(fileName, reason), true);
        return;
    }
    tell(QStringLiteral("Exporter"), exportMessage(fileName, report), false);
}
