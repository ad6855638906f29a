#pragma once
// The texts of copies marked secret, known again without their mark. When
// a password manager quits or clears after its timeout, GNOME's bridge
// from Wayland to X11 offers the same text again under the same owner
// window, without the mark. To tell it, the marked text is read once and
// only its fingerprint is kept: a SHA-256 over a salt drawn at random for
// this run and the text's UTF-8 bytes. The text itself is wiped at once,
// and neither it nor the fingerprint is ever logged or stored.

#include <QString>

namespace secretprints {

// Keeps the fingerprint of `text`, a marked copy's text, and wipes `text`.
void remember(QString &text);
// True when `text` is the text of a marked copy seen in this run.
bool known(const QString &text);
// Overwrites the characters of `text` (and then empties it) where it holds
// them alone; a copy shared with another string is only let go.
void wipe(QString &text);

// Fingerprints kept at most; the oldest goes first.
inline constexpr int kKept = 64;

} // namespace secretprints
