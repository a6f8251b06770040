#pragma once

#include <QString>
#include <optional>

class QFormLayout;
class QLineEdit;

// Numbers as the shape window shows them and reads them: a decimal comma, at most six decimals,
// no trailing zeros; a point is read as well as a comma.
QString frenchNumber(double value);
std::optional<double> readFrenchNumber(const QString& text);

// A field for a number in the layout, under a label whose & marks its accelerator.
QLineEdit* addNumberField(QFormLayout& layout, const QString& label, const QString& accessibleName);
