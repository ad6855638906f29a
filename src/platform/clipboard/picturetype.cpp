#include "platform/clipboard/picturetype.h"

#include <algorithm>
#include <array>

namespace {

struct Format {
    const char *type;
    std::array<const char *, 4> aliases; // other names of the same format
};

// Formats the image decoder reads, with the names programs give them.
const Format kFormats[] = {
    {"image/png", {"image/x-png", "image/apng"}},
    {"image/jpeg", {"image/jpg", "image/pjpeg", "image/x-jpeg"}},
    {"image/gif", {}},
    {"image/bmp", {"image/x-bmp", "image/x-MS-bmp", "image/x-ms-bmp", "image/x-win-bitmap"}},
    {"image/webp", {"image/x-webp"}},
    {"image/tiff", {"image/x-tiff", "image/tiff-fx"}},
    {"image/vnd.microsoft.icon", {"image/x-icon", "image/ico", "image/x-ico"}},
    {"image/x-portable-bitmap", {"image/x-portable-anymap"}},
    {"image/x-portable-graymap", {"image/x-portable-anymap"}},
    {"image/x-portable-pixmap", {"image/x-portable-anymap"}},
};

bool startsWith(const QByteArray &bytes, const char *signature, int length, int at = 0)
{
    return bytes.size() >= at + length && bytes.mid(at, length) == QByteArray(signature, length);
}

} // namespace

QByteArray pictureTypeOf(const QByteArray &bytes)
{
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8))
        return "image/png";
    if (startsWith(bytes, "\xff\xd8\xff", 3))
        return "image/jpeg";
    if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6))
        return "image/gif";
    if (startsWith(bytes, "BM", 2) && bytes.size() >= 26)
        return "image/bmp";
    if (startsWith(bytes, "RIFF", 4) && startsWith(bytes, "WEBP", 4, 8))
        return "image/webp";
    if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4))
        return "image/tiff";
    if (startsWith(bytes, "\0\0\1\0", 4))
        return "image/vnd.microsoft.icon";
    // Netpbm: P1/P4 bitmap, P2/P5 graymap, P3/P6 pixmap, then white space.
    if (bytes.size() >= 3 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6'
        && QByteArrayView(" \t\r\n").contains(bytes[2])) {
        static const char *const kinds[] = {"image/x-portable-bitmap", "image/x-portable-graymap",
                                            "image/x-portable-pixmap"};
        return kinds[(bytes[1] - '1') % 3];
    }
    return {};
}

bool pictureTypeFits(const QByteArray &type, const QByteArray &actual)
{
    if (actual.isEmpty())
        return false;
    if (type.compare(actual, Qt::CaseInsensitive) == 0)
        return true;
    return std::any_of(std::begin(kFormats), std::end(kFormats), [&](const Format &f) {
        return actual == f.type && std::any_of(f.aliases.begin(), f.aliases.end(), [&](const char *alias) {
                   return alias && type.compare(alias, Qt::CaseInsensitive) == 0;
               });
    });
}

std::vector<PictureOfferType> pictureOffer(const QByteArray &bytes, const QByteArray &cameAs, bool bmp)
{
    using Source = PictureOfferType::Source;
    const QByteArray actual = pictureTypeOf(bytes);
    std::vector<PictureOfferType> offer;
    offer.push_back({"image/png", actual == "image/png" ? Source::Original : Source::Png});
    if (bmp || actual == "image/bmp")
        offer.push_back({"image/bmp", actual == "image/bmp" ? Source::Original : Source::Bmp});
    if (actual.isEmpty())
        return offer;
    const QByteArray own = pictureTypeFits(cameAs, actual) ? cameAs : actual;
    if (std::none_of(offer.begin(), offer.end(), [&](const PictureOfferType &o) { return o.type == own; }))
        offer.push_back({own, Source::Original});
    return offer;
}
