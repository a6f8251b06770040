#include "ModelExchange.h"

#include "CommandProcessor.h"
#include "ExchangeOptions.h"
#include "FileChooser.h"
#include "FileQuestions.h"
#include "ImportReportWindow.h"
#include "QuadrelDlg.h"
#include "QuestionBox.h"
#include "boxedits.h"
#include "modelimport.h"
#include "modelreader.h"
#include "modelwriter.h"
#include "orlclass.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
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
    std::string error;
    const std::optional<ModelContent> model = readModelFile(encodedPath(*chosen), error);
    if (!model) {
        tell(QStringLiteral("Importer"),
             // Assimp says why, in English.
             QStringLiteral("Impossible de lire « %1 ».\nRaison donnée par Assimp : %2")
                 .arg(fileName, QString::fromStdString(error)),
             true);
        return;
    }
    // With no document open, the boxes are fitted against none.
    const bool intoNewDocument = !mainWindow_.hasDocument();
    const BoxDocument none;
    ModelBoxes fitted = fitModelBoxes(*model, intoNewDocument ? none : *mainWindow_.document(),
                                      optionsDialog.options());
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
    if (!writeModelFile(*mainWindow_.document(), path, *format, options, report, error)) {
        // The system's reasons are told in French; Assimp's come in English.
        const QString reason =
            report.fileError ? saveFailureReason(report.fileError) : QString::fromStdString(error);
        tell(QStringLiteral("Exporter"),
             QStringLiteral("Impossible d'écrire « %1 ».\n%2").arg(fileName, reason), true);
        return;
    }
    tell(QStringLiteral("Exporter"), exportMessage(fileName, report), false);
}
