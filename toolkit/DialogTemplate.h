#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class ControlKind { Button, Edit, List, DropDown, Label, Icon };

// Styles a control or a dialog may carry; a template names them in lower case.
enum ControlStyle : unsigned {
    TabStop = 1u << 0,
    DefaultButton = 1u << 1,
    Flat = 1u << 2,
    DigitsOnly = 1u << 3,
    Sorted = 1u << 4,
    NoPrefix = 1u << 5,
};

enum DialogStyle : unsigned {
    MinimizeBox = 1u << 0,
    TaskBar = 1u << 1,
};

inline constexpr int noControlId = -1;

struct ControlTemplate {
    ControlKind kind = ControlKind::Label;
    int id = noControlId;
    QRect dialogUnits; // x, y, width, height
    unsigned styles = 0;
    QString text;
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    QSize dialogUnits;
    unsigned styles = 0;
    int fontPoints = 8;
    QString fontFace;
    std::vector<ControlTemplate> controls; // template order, which is the tab order
};

// One line of a template or string file: its space-separated words and the quoted text that
// ends it, if any.
struct TemplateLine {
    QStringList words;
    std::optional<QString> text;
};

// nullopt when the line is malformed (an unterminated text, or words after the text).
std::optional<TemplateLine> splitTemplateLine(const QString& line);

// nullopt when the template text is malformed.
std::optional<DialogTemplate> parseDialogTemplate(int id, const QString& source);

// Templates ship inside the program; a missing or malformed one is a build defect and aborts.
DialogTemplate loadDialogTemplate(int id);
