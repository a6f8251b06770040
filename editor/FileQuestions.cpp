#include "FileQuestions.h"

#include <cerrno>

namespace {

const QString programName = QStringLiteral("Quadrel");

Question replaceQuestion(const QString& text) {
    return {programName,
            text,
            {{QStringLiteral("Remplacer"), AnswerRole::Destructive},
             {QStringLiteral("Annuler"), AnswerRole::Reject}},
            1,
            1,
            QuestionTone::Warning};
}

} // namespace

Question unsavedChangesQuestion(const QString& fileName) {
    return {programName,
            QStringLiteral("Enregistrer les modifications de « %1 » ?").arg(fileName),
            {{QStringLiteral("Enregistrer"), AnswerRole::Accept},
             {QStringLiteral("Ne pas enregistrer"), AnswerRole::Destructive},
             {QStringLiteral("Annuler"), AnswerRole::Reject}},
            saveChangesAnswer,
            2,
            QuestionTone::Question};
}

Question replaceByEmptyFileQuestion(const QString& fileName) {
    return replaceQuestion(
        QStringLiteral("« %1 » existe déjà. Le remplacer par un fichier vide ?").arg(fileName));
}

Question replaceOnSaveQuestion(const QString& fileName) {
    return replaceQuestion(QStringLiteral("« %1 » existe déjà. Le remplacer ?").arg(fileName));
}

Question saveFailedMessage(const QString& path, const QString& reason) {
    return {programName,
            QStringLiteral("Impossible d'enregistrer « %1 ».\n%2.").arg(path, reason),
            {{QStringLiteral("OK"), AnswerRole::Accept}},
            0,
            0,
            QuestionTone::Warning};
}

QString saveFailureReason(std::error_code reason) {
    const std::pair<std::errc, const char*> known[] = {
        {std::errc::permission_denied, "Permission non accordée"},
        {std::errc::operation_not_permitted, "Permission non accordée"},
        {std::errc::no_space_on_device, "Aucun espace disponible sur le périphérique"},
        {std::errc::no_such_file_or_directory, "Le dossier n'existe pas"},
        {std::errc::not_a_directory, "Un élément du chemin n'est pas un dossier"},
        {std::errc::file_too_large, "Fichier trop volumineux"},
        {std::errc::read_only_file_system, "Système de fichiers en lecture seule"},
        {std::errc::is_a_directory, "C'est un dossier"},
        {std::errc::too_many_symbolic_link_levels, "Trop de liens symboliques"},
        {std::errc::filename_too_long, "Nom de fichier trop long"},
        {std::errc::io_error, "Erreur d'entrée-sortie sur le périphérique"},
        {std::errc::device_or_resource_busy, "Fichier occupé"},
        {std::errc::text_file_busy, "Fichier occupé"},
        {std::errc::too_many_files_open, "Trop de fichiers ouverts"},
    };
    for (const auto& [code, text] : known) {
        if (reason == code) {
            return QString::fromUtf8(text);
        }
    }
#ifdef EDQUOT
    // Not among the portable codes; where it exists, system codes are the C library's.
    const bool quota = reason.value() == EDQUOT && (reason.category() == std::generic_category() ||
                                                    reason.category() == std::system_category());
    if (quota) {
        return QStringLiteral("Quota d'espace disque dépassé");
    }
#endif
    return QStringLiteral("Erreur du système n° %1").arg(reason.value());
}

QString unreadableTextReason() {
    return QStringLiteral("Le document contient un texte qui ne se relirait pas tel quel (un "
                          "espace dans une valeur, par exemple) : le fichier est laissé tel qu'il "
                          "était");
}
