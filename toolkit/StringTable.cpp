#include "StringTable.h"

#include "DialogTemplate.h"
#include "ResourceFiles.h"

// strings.txt holds one string a line: its number, then its text in double quotes (the quoting
// of the dialog templates). Blank lines and lines that start with '#' are skipped.
QString loadString(int id) {
    const QString table = readResourceText(QStringLiteral(":/strings.txt"));
    for (const QString& rawLine : table.split(u'\n')) {
        const QString trimmed = rawLine.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        const auto line = splitTemplateLine(trimmed);
        if (line && line->words.size() == 1 && line->text &&
            line->words[0] == QString::number(id)) {
            return *line->text;
        }
    }
    return {};
}
