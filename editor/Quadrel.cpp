#include "Quadrel.h"

#include "QuadrelDlg.h"
#include "orlclass.h"
#include "safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

// Why the file cannot be read, in the user's words. Opened without waiting, so that a named pipe
// named on the command line cannot hold the start-up.
std::string whyUnreadable(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int error = descriptor < 0 ? errno : 0;
    if (descriptor >= 0) {
        char first = 0;
        if (::read(descriptor, &first, 1) < 0) {
            error = errno;
        }
        ::close(descriptor);
    }
    switch (error) {
    case 0:
        return "ce n'est pas un fichier box";
    case ENOENT:
        return "fichier introuvable";
    case EACCES:
        return "lecture interdite";
    case EISDIR:
        return "c'est un dossier";
    default:
        return std::strerror(error);
    }
}

} // namespace

std::string_view commandLineHelp() {
    return R"(Usage : quadrel [FICHIER]

Édite les fichiers de collision BOX : la liste des boxes d'une scène, chacune un volume
convexe borné par six plans, et la liste des boxes qui se croisent. Ouvre FICHIER s'il est
donné, sinon une fenêtre sans fichier.

La fenêtre principale montre la liste des boxes, celle des intersections et le formulaire de
la box choisie, chaque valeur en décimal et en hexadécimal côte à côte. La vue 3D (F3) s'ouvre
à côté : elle montre les solides, suit le formulaire pendant la frappe et liste les problèmes
du fichier. La fenêtre Forme (F4) montre la forme de la box du formulaire (centre, dimensions,
angles), ajoute une box par ses dimensions et la déplace, la tourne, la redimensionne...

Raccourcis, dans la fenêtre principale comme dans la vue 3D :
  Ctrl+O        Choisir...
  Ctrl+N        Nouveau
  Ctrl+S        Enregistrer
  Ctrl+Maj+S    Enregistrer sous
  Ctrl+Entrée   Valider
  F1            Aide
  F3            Vue 3D
  F4            Forme

Options :
  --help        affiche cette aide
)";
}

bool QuadrelApp::initInstance() {
    auto document = std::make_unique<BoxDocument>();
    auto window = std::make_unique<QuadrelDlg>();
    window->setDocument(document.get());
    // Opened once the window shows, so that the progress of a long opening stands over it.
    QTimer::singleShot(0, window.get(), [shown = window.get()] {
        openFileOfCommandLine(*shown, QCoreApplication::arguments(), std::cerr);
    });
    window->runModal();
    window.reset();
    document.reset();
    return false;
}

void openFileOfCommandLine(QuadrelDlg& window, const QStringList& arguments, std::ostream& errors) {
    if (arguments.size() < 2) {
        return;
    }
    // A full path, as the chooser gives: the label and later saves name the same file.
    const std::string path =
        QFile::encodeName(QFileInfo(arguments.at(1)).absoluteFilePath()).toStdString();
    // A file whose interrupted save could not be undone has had its own line from openFile; an
    // opening the user stopped needs none.
    if (window.openFile(path) == LoadOutcome::unreadable && !interruptedSaveCopy(path)) {
        errors << "quadrel : impossible d'ouvrir " << path << " : " << whyUnreadable(path) << '\n';
    }
}
