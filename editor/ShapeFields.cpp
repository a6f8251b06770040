#include "ShapeFields.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

QString frenchNumber(double value) {
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    // A turn that comes back to nothing shows 0, not -0.
    if (text == QLatin1String("-0")) {
        text = QStringLiteral("0");
    }
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

std::optional<double> readFrenchNumber(const QString& text) {
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    // A leading "+" or a typographic minus sign, as pasted from elsewhere.
    plain.replace(QChar(0x2212), QLatin1Char('-'));
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QLineEdit* addNumberField(QFormLayout& layout, const QString& label,
                          const QString& accessibleName) {
    auto* field = new QLineEdit;
    field->setAccessibleName(accessibleName);
    auto* caption = new QLabel(label);
    caption->setBuddy(field);
    layout.addRow(caption, field);
    return field;
}
