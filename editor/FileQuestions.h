#pragma once

#include "QuestionBox.h"

#include <QString>
#include <cstddef>
#include <system_error>

// The questions and messages of the file commands, in the program's words. Each names the file
// as the caption does, by its name alone, except the failed save's, which names the whole path.

// "Enregistrer", "Ne pas enregistrer", "Annuler", in that order.
inline constexpr std::size_t saveChangesAnswer = 0;
inline constexpr std::size_t discardChangesAnswer = 1;
Question unsavedChangesQuestion(const QString& fileName);

// "Remplacer" then "Annuler"; Annuler is what Enter gives, so that no key empties a file.
inline constexpr std::size_t replaceAnswer = 0;
Question replaceByEmptyFileQuestion(const QString& fileName);
Question replaceOnSaveQuestion(const QString& fileName);

Question saveFailedMessage(const QString& path, const QString& reason);

// Why a save failed, from the system's error, in French.
QString saveFailureReason(std::error_code reason);
// Why a document holding a text that would not read back as the same token is not saved.
QString unreadableTextReason();
