#include "imagefilename.h"

#include "forms/vbnum.h"

#include <QRegularExpression>

namespace imagefilename {

std::optional<QString> of(const QString &slotText, const QString &stamp)
{
    static const QRegularExpression plainNumber(QRegularExpression::anchoredPattern(QStringLiteral("[0-9+\\-.,eE ]+")));
    static const QRegularExpression plainStamp(QRegularExpression::anchoredPattern(QStringLiteral("[0-9-]*")));
    const auto slot = vbnum::toInt16(slotText);
    if (!slot || *slot < 0 || *slot > 9 || !plainNumber.match(slotText).hasMatch()
        || !plainStamp.match(stamp).hasMatch())
        return std::nullopt;
    return QStringLiteral("Bild-") + slotText + stamp + QStringLiteral(".bmp");
}

} // namespace imagefilename
