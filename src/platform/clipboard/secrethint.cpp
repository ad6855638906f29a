#include "platform/clipboard/secrethint.h"

#include <algorithm>

namespace secrethint {

bool isMark(QByteArrayView name)
{
    return name.compare(QByteArrayView(kTarget), Qt::CaseInsensitive) == 0;
}

bool marks(const QStringList &offered)
{
    return std::any_of(offered.begin(), offered.end(), [](const QString &type) { return isMark(type.toLatin1()); });
}

} // namespace secrethint
