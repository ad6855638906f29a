#pragma once
// Password managers mark what they copy as secret with an extra clipboard
// target; a change so marked is kept out of the program altogether, and its
// content is never asked for.

#include <QByteArray>

#include <optional>

namespace secrethint {

// The clipboard target (and MIME type) that carries the mark.
inline constexpr char kTarget[] = "x-kde-passwordManagerHint";
// The longest value of the mark that is read; a longer one is unreadable.
inline constexpr qsizetype kMaxBytes = 1024;

// Whether a change whose owner offers the mark is kept out. `value` is the
// mark's value; nothing when it could not be read (refused, too slow, too
// long). Kept out: a value that says "secret" in any case, blanks and NUL
// bytes around it ignored; an empty value; an unreadable one. Any other
// value lets the change be captured as usual.
bool keepsOut(const std::optional<QByteArray> &value);

} // namespace secrethint
