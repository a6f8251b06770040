#include "FileChooser.h"

#include <QFileDialog>

QStringList nameFiltersFromBarFilter(const QString& barFilter) {
    const QStringList parts = barFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.endsWith(u'(' + pattern + u')')) {
            filters << description;
        } else {
            filters << QStringLiteral("%1 (%2)").arg(description, pattern);
        }
    }
    return filters;
}

OpenFileChooser::OpenFileChooser(const QString& barFilter, QString defaultSuffix)
    : nameFilters_(nameFiltersFromBarFilter(barFilter)), defaultSuffix_(std::move(defaultSuffix)) {}

std::optional<QString> OpenFileChooser::choose(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(nameFilters_);
    dialog.selectNameFilter(nameFilters_.value(0));
    dialog.setDefaultSuffix(defaultSuffix_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}
