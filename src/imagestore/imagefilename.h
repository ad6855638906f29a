#pragma once
// File names of saved image slots: "Bild-" + slot text + date-time stamp + ".bmp".

#include <QString>

#include <optional>

namespace imagefilename {

// The slot text goes into the name as it stands ("03" gives "Bild-03.bmp").
// Nothing when the text is not a slot number (0 to 9 once rounded) written in
// plain characters (digits, sign, decimal point or comma, exponent, blank), or
// the stamp holds anything but digits and hyphens: a name never reaches
// outside its folder.
std::optional<QString> of(const QString &slotText, const QString &stamp = QString());

} // namespace imagefilename
