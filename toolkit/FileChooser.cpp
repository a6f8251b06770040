#include "FileChooser.h"

#include <QFileDialog>

namespace {

// "*.*" means every file where it comes from; here it would leave out the names without a dot.
QString allFilesMeansAll(const QString& pattern) {
    return pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern;
}

} // namespace

QStringList nameFiltersFromBarFilter(const QString& barFilter) {
    const QStringList parts = barFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.endsWith(u'(' + pattern + u')')) {
            description.chop(pattern.size() + 2);
        }
        filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), allFilesMeansAll(pattern));
    }
    return filters;
}

FileDialogChooser::FileDialogChooser(const QString& barFilter, QString defaultSuffix)
    : nameFilters_(nameFiltersFromBarFilter(barFilter)), defaultSuffix_(std::move(defaultSuffix)),
      lastFolder_(std::make_shared<QString>()) {}

std::unique_ptr<FileDialogChooser> FileDialogChooser::saveStyle(QString title,
                                                                QString confirmText) const {
    auto chooser = std::make_unique<FileDialogChooser>(*this);
    chooser->saveStyle_ = SaveStyle{std::move(title), std::move(confirmText)};
    return chooser;
}

std::optional<QString> FileDialogChooser::choose(QWidget* owner) {
    QFileDialog dialog(owner);
    if (saveStyle_) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setWindowTitle(saveStyle_->title);
        dialog.setLabelText(QFileDialog::Accept, saveStyle_->confirmText);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
    }
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(nameFilters_);
    dialog.selectNameFilter(nameFilters_.value(0));
    dialog.setDefaultSuffix(defaultSuffix_);
    if (!lastFolder_->isEmpty()) {
        dialog.setDirectory(*lastFolder_);
    }
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    // Cancelling in another folder still moves there: the user went looking in it.
    *lastFolder_ = dialog.directory().absolutePath();
    if (!chosen) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}
