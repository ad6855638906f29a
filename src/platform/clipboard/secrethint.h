#pragma once
// Password managers mark what they copy as secret with an extra clipboard
// target. A change whose owner offers that target is kept out of the program
// altogether, whatever the mark's value, type or encoding: the mark is never
// asked for, and of the content only the text, on X11, to keep its
// fingerprint (secretprints.h).

#include <QByteArrayView>
#include <QStringList>

namespace secrethint {

// The clipboard target (and MIME type) that carries the mark.
inline constexpr char kTarget[] = "x-kde-passwordManagerHint";

// Whether the target or MIME type `name` is the mark, in any case.
bool isMark(QByteArrayView name);
// Whether any of the offered MIME types is the mark.
bool marks(const QStringList &offered);

} // namespace secrethint
