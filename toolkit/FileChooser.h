#pragma once

#include <QString>
#include <QStringList>
#include <memory>
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

// The platform's file dialog. The named file need not exist and the dialog asks nothing when it
// does: what an existing file means is the caller's to say. An open-style dialog shows the
// platform's own title and confirm button; a save-style one, for a file about to be written,
// shows the caller's. Each opens in the folder that it or a chooser made from it was last left
// in.
class FileDialogChooser : public FileChooser {
public:
    // barFilter: descriptions and patterns separated by bars, "Texte (*.txt)|*.txt|...".
    FileDialogChooser(const QString& barFilter, QString defaultSuffix);
    // A save-style chooser with the same filter and suffix, sharing this one's last folder.
    std::unique_ptr<FileDialogChooser> saveStyle(QString title, QString confirmText) const;

    std::optional<QString> choose(QWidget* owner) override;

private:
    struct SaveStyle {
        QString title;
        QString confirmText;
    };

    QStringList nameFilters_;
    QString defaultSuffix_;
    std::optional<SaveStyle> saveStyle_;
    std::shared_ptr<QString> lastFolder_;
};

// Qt's name filters for a bar filter: "Texte|*.txt" gives "Texte (*.txt)", and so does
// "Texte(*.txt)|*.txt". The pattern "*.*" becomes "*", which also takes names without a dot.
QStringList nameFiltersFromBarFilter(const QString& barFilter);
