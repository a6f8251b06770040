#include "DialogTemplate.h"

#include "ResourceFiles.h"

#include <QMap>
#include <QtGlobal>

// A dialog template is a UTF-8 text file with one statement a line; blank lines and lines that
// start with '#' are skipped. Words are separated by spaces; a text comes last, in double quotes,
// with \" and \\ as its only escapes.
//   dialog WIDTH HEIGHT STYLES "CAPTION"       the size in dialog units; first
//   font POINTS "FACE"
//   KIND ID X Y WIDTH HEIGHT STYLES ["TEXT"]   one per control, in tab order
// KIND is button, edit, list, dropdown, label or icon. ID is a number, or '-' for none. STYLES is
// '-' or a comma-separated list of: minimize, taskbar (dialog); tabstop; default, flat (button);
// digits (edit); sorted (dropdown); noprefix (label). An icon's text is its icon number.

std::optional<TemplateLine> splitTemplateLine(const QString& line) {
    TemplateLine result;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (result.text) {
            return std::nullopt;
        }
        if (line[i] == u'"') {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i++];
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c == u'\\' && i < n) {
                    text += line[i++];
                } else {
                    text += c;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
            result.text = text;
            continue;
        }
        const qsizetype start = i;
        while (i < n && !line[i].isSpace()) {
            ++i;
        }
        result.words << line.mid(start, i - start);
    }
    return result;
}

namespace {

std::optional<int> parseNumber(const QString& word) {
    bool ok = false;
    const int value = word.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<unsigned> parseStyles(const QString& word) {
    static const QMap<QString, unsigned> names{
        {"tabstop", TabStop},      {"default", DefaultButton}, {"flat", Flat},
        {"digits", DigitsOnly},    {"sorted", Sorted},         {"noprefix", NoPrefix},
        {"minimize", MinimizeBox}, {"taskbar", TaskBar},
    };
    if (word == "-") {
        return 0u;
    }
    unsigned styles = 0;
    for (const QString& name : word.split(u',')) {
        const auto found = names.find(name);
        if (found == names.end()) {
            return std::nullopt;
        }
        styles |= found.value();
    }
    return styles;
}

std::optional<ControlKind> parseKind(const QString& word) {
    static const QMap<QString, ControlKind> kinds{
        {"button", ControlKind::Button}, {"edit", ControlKind::Edit},
        {"list", ControlKind::List},     {"dropdown", ControlKind::DropDown},
        {"label", ControlKind::Label},   {"icon", ControlKind::Icon},
    };
    const auto found = kinds.find(word);
    return found == kinds.end() ? std::nullopt : std::optional<ControlKind>(found.value());
}

std::optional<ControlTemplate> parseControl(const TemplateLine& line) {
    if (line.words.size() != 7) {
        return std::nullopt;
    }
    const auto kind = parseKind(line.words[0]);
    const auto id =
        line.words[1] == "-" ? std::optional<int>(noControlId) : parseNumber(line.words[1]);
    const auto x = parseNumber(line.words[2]);
    const auto y = parseNumber(line.words[3]);
    const auto width = parseNumber(line.words[4]);
    const auto height = parseNumber(line.words[5]);
    const auto styles = parseStyles(line.words[6]);
    if (!kind || !id || !x || !y || !width || !height || !styles) {
        return std::nullopt;
    }
    return ControlTemplate{*kind, *id, QRect(*x, *y, *width, *height), *styles,
                           line.text.value_or(QString())};
}

} // namespace

std::optional<DialogTemplate> parseDialogTemplate(int id, const QString& source) {
    DialogTemplate dialog;
    dialog.id = id;
    bool sized = false;
    for (const QString& rawLine : source.split(u'\n')) {
        const QString trimmed = rawLine.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        const auto line = splitTemplateLine(trimmed);
        if (!line || line->words.isEmpty()) {
            return std::nullopt;
        }
        const QString& statement = line->words[0];
        if (statement == "dialog") {
            if (line->words.size() != 4 || !line->text) {
                return std::nullopt;
            }
            const auto width = parseNumber(line->words[1]);
            const auto height = parseNumber(line->words[2]);
            const auto styles = parseStyles(line->words[3]);
            if (!width || !height || !styles) {
                return std::nullopt;
            }
            dialog.dialogUnits = QSize(*width, *height);
            dialog.styles = *styles;
            dialog.caption = *line->text;
            sized = true;
        } else if (statement == "font") {
            const auto points =
                line->words.size() == 2 ? parseNumber(line->words[1]) : std::nullopt;
            if (!points || !line->text) {
                return std::nullopt;
            }
            dialog.fontPoints = *points;
            dialog.fontFace = *line->text;
        } else {
            const auto control = parseControl(*line);
            if (!control) {
                return std::nullopt;
            }
            dialog.controls.push_back(*control);
        }
    }
    if (!sized) {
        return std::nullopt;
    }
    return dialog;
}

DialogTemplate loadDialogTemplate(int id) {
    const QString path = QStringLiteral(":/dialogs/%1.dlg").arg(id);
    auto parsed = parseDialogTemplate(id, readResourceText(path));
    if (!parsed) {
        qFatal("Dialog template %d is missing or malformed", id);
    }
    return *parsed;
}
