#include "forms/vbnum.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace vbnum {

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

namespace {

// Number to an integer type with halves to even; nothing on overflow.
template <class Int> std::optional<Int> toInt(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < std::numeric_limits<Int>::min() || r > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(r);
}

} // namespace

std::optional<double> toDouble(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 64)
        return std::nullopt;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int16_t> toInt16(double value)
{
    return toInt<std::int16_t>(value);
}

std::optional<std::int16_t> toInt16(const QString &text)
{
    const auto v = toDouble(text);
    if (!v)
        return std::nullopt;
    return toInt16(*v);
}

std::optional<std::int32_t> toInt32(double value)
{
    return toInt<std::int32_t>(value);
}

QString toText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

std::optional<int> toCheckValue(const QString &text)
{
    const auto v = toInt16(text);
    if (!v || *v < 0 || *v > 2)
        return std::nullopt;
    return *v;
}

} // namespace vbnum
