#include "DialogUnits.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QStringList>
#include <cmath>

namespace {

int averageLetterWidth(const QFont& font) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetricsF metrics(font);
    return static_cast<int>(std::lround(metrics.horizontalAdvance(letters) / letters.size()));
}

int scale(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
    : baseX_(averageLetterWidth(font)), baseY_(QFontMetrics(font).height()) {}

int DialogUnits::toPixelsX(int units) const {
    return scale(units, baseX_, 4);
}

int DialogUnits::toPixelsY(int units) const {
    return scale(units, baseY_, 8);
}

QRect DialogUnits::toPixels(const QRect& units) const {
    return QRect(toPixelsX(units.x()), toPixelsY(units.y()), toPixelsX(units.width()),
                 toPixelsY(units.height()));
}

QSize DialogUnits::toPixels(const QSize& units) const {
    return QSize(toPixelsX(units.width()), toPixelsY(units.height()));
}

QFont dialogFont(const QString& face, int points) {
    QFont font(face, points);
    if (!QFontInfo(font).exactMatch()) {
        font = QFont();
        font.setStyleHint(QFont::SansSerif);
        font.setFamilies(QStringList{QStringLiteral("Sans Serif")});
        font.setPointSize(points);
    }
    return font;
}
