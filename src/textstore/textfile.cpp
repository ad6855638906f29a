#include "textfile.h"

#include <QDir>

namespace textfile {

QString folder(const QString &programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/text"));
}

QString path(const QString &programFolder, const QString &stamp)
{
    return folder(programFolder) + QStringLiteral("/Text") + stamp + QStringLiteral(".txt");
}

namespace {

// Characters of the bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves
// undefined stand for the control characters of the same number, as the
// Windows conversion does.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> byteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> toWindows1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const std::optional<char> b = byteOf(c.unicode());
        if (!b)
            return std::nullopt;
        out.append(*b);
    }
    return out;
}

QByteArray content(const QString &text)
{
    QByteArray bytes;
    if (std::optional<QByteArray> ansi = toWindows1252(text))
        bytes = std::move(*ansi);
    else
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    bytes.append("\r\n");
    return bytes;
}

} // namespace textfile
