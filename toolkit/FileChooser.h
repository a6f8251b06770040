#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Picks one file for the program. The window asks through this interface so that tests can put
// a scripted chooser in place of the dialog.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The full path of the chosen or typed file, or nullopt when the user cancels.
    virtual std::optional<QString> choose(QWidget* owner) = 0;
};

// The platform's open-file dialog. The named file need not exist and no overwrite confirmation
// is asked.
class OpenFileChooser : public FileChooser {
public:
    // barFilter: descriptions and patterns separated by bars, "Texte (*.txt)|*.txt|...".
    OpenFileChooser(const QString& barFilter, QString defaultSuffix);
    std::optional<QString> choose(QWidget* owner) override;

private:
    QStringList nameFilters_;
    QString defaultSuffix_;
};

// Qt's name filters for a bar filter: "Texte|*.txt" gives "Texte (*.txt)"; a description that
// already ends with its pattern in parentheses is kept as it is.
QStringList nameFiltersFromBarFilter(const QString& barFilter);
