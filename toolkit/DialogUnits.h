#pragma once

#include <QFont>
#include <QRect>

// Dialog units scale a layout with its font: a horizontal unit is a quarter of the font's
// average letter width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(const QRect& units) const;
    QSize toPixels(const QSize& units) const;

private:
    int baseX_;
    int baseY_;
};

// The font a template names, at its size; the platform's sans-serif at that size when the face
// is not installed.
QFont dialogFont(const QString& face, int points);
