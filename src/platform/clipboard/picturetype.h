#pragma once
// Which bytes of a stored picture go out under which type. An owner may
// name its picture wrongly (a JPEG offered as image/png, a PNG as
// image/bmp); the bytes' own signature says what they are. The bytes as
// they came go out only under the type they really are; every other type
// offered is the program's own conversion. The program's copy, its put-back
// on X11 and on Wayland, and the keeper of an ending owner's types all ask
// here.

#include <QByteArray>
#include <QByteArrayList>

#include <vector>

// The MIME type `bytes` are by their signature (image/png, image/jpeg,
// image/gif, image/bmp, image/webp, image/tiff, ...), empty when unknown.
QByteArray pictureTypeOf(const QByteArray &bytes);

// True when bytes of MIME type `actual` may go out as `type`: the same
// picture format under any of its names (image/bmp, image/x-MS-bmp, ...).
bool pictureTypeFits(const QByteArray &type, const QByteArray &actual);

// One type of a stored picture's offer and what is served under it.
struct PictureOfferType {
    enum class Source { Original, Png, Bmp };
    QByteArray type;
    Source source;
    bool operator==(const PictureOfferType &o) const { return type == o.type && source == o.source; }
};

// The offer of a stored picture `bytes` that came as `cameAs`: image/png,
// image/bmp where the program writes BMP (or the bytes are BMP), and the
// type the bytes really are, spelled as they came where that fits. Each is
// the bytes themselves where they are that type, else a conversion.
std::vector<PictureOfferType> pictureOffer(const QByteArray &bytes, const QByteArray &cameAs, bool bmp);
