#include "DisplayText.h"

#include <QStringDecoder>
#include <array>

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to the control
// characters of the same value, as Windows itself decodes them. Every other byte is Latin-1.
constexpr std::array<char16_t, 32> windows1252High{
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

QString decodeWindows1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = (value >= 0x80 && value < 0xA0) ? QChar(windows1252High[value - 0x80])
                                                 : QChar(char16_t{value});
    }
    return text;
}

} // namespace

QString decodeForDisplay(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = utf8.decode(view);
    if (utf8.hasError()) {
        return decodeWindows1252(bytes);
    }
    return text;
}

QString shortenedForDisplay(std::string_view bytes) {
    QString text = decodeForDisplay(bytes);
    if (text.size() <= displayLimit) {
        return text;
    }
    // A character outside the basic plane takes two units: it is kept whole or left out.
    const qsizetype cut =
        text[displayLimit - 1].isHighSurrogate() ? displayLimit - 1 : displayLimit;
    text.truncate(cut);
    return text + QChar(u'\u2026');
}
