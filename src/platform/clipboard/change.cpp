#include "platform/clipboard/change.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/clipboard/picturetype.h"
#include "platform/clipboard/secrethint.h"
#include "platform/clipboard/secretprints.h"
#include "platform/clipboard/storedpicture.h"
#include "platform/services/log.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

#include <string.h>

namespace {

void logRefusal(const PictureRefusal &r, bool cut)
{
    const QString size = r.size.isValid() ? QStringLiteral("%1 x %2 pixels").arg(r.size.width()).arg(r.size.height())
                                          : QStringLiteral("size unknown");
    if (cut) {
        qCWarning(lcClipboard).noquote() << "picture refused:" << size << "-" << r.bytes
                                         << "bytes read, more than a transfer may bring:"
                                         << ClipboardLimits::kMaxImageBytes;
    } else {
        qCWarning(lcClipboard).noquote() << "picture refused:" << size << "-" << r.bytes
                                         << "bytes offered, more pixels than the limit:" << ClipboardLimits::kMaxPixels;
    }
}

} // namespace

void ClipboardLimits::allowPictureDecoding()
{
    // A picture at the limit may decode to 64 bits a pixel (16-bit PNG)
    // before it is brought to 32; the decoder may take that much.
    const int neededMiB = static_cast<int>(kMaxPixels * 8 / (1024 * 1024)) + 8;
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < neededMiB)
        QImageReader::setAllocationLimit(neededMiB);
}

namespace {

bool marked(const QByteArrayList &offered)
{
    return std::any_of(offered.cbegin(), offered.cend(), [](const QByteArray &n) { return secrethint::isMark(n); });
}

void wipe(QByteArray &bytes)
{
    if (bytes.isDetached())
        explicit_bzero(bytes.data(), static_cast<size_t>(bytes.size()));
    bytes.clear();
}

// A text of one of the table's types: UTF-8 when it is one of the UTF-8
// types, or when the owner says its answer is; else Latin-1.
QString decodedText(const QByteArray &bytes, bool utf8Type, const QByteArray &answerType)
{
    const bool utf8Answer = std::any_of(std::begin(kTextTypes), std::end(kTextTypes),
                                        [&](const TextType &k) { return k.utf8 && answerType == k.name; });
    return utf8Type || utf8Answer ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

// The first text of the table's types that the owner gives.
void readText(const QByteArrayList &offered, OfferTransfer &t, const ClipboardLimits &limits, ChangeContent &result)
{
    for (const TextType &asked : kTextTypes) {
        if (!offered.contains(asked.name) || t.givenUp())
            continue;
        bool cut = false;
        OfferTransfer::Answer answer;
        auto bytes = t.read(asked.name, limits.textBytes, &cut, &answer);
        if (!bytes)
            continue;
        result.text = decodedText(*bytes, asked.utf8, answer.type);
        result.textCut = cut;
        wipe(*bytes);
        return;
    }
}

} // namespace

ChangeContent readOffer(const QByteArrayList &offered, OfferTransfer &t, const QByteArrayList &imageTypes,
                        const ClipboardLimits &limits, bool askOwnMark, bool printMarked)
{
    ChangeContent result;
    // A password manager's mark, offered under any spelling of its name,
    // keeps the change out: the mark is never asked for, and of the content
    // only the text, where `printMarked`, to keep its fingerprint.
    if (marked(offered)) {
        if (printMarked) {
            readText(offered, t, limits, result);
            if (result.text && !t.givenUp())
                secretprints::remember(*result.text);
            if (result.text)
                secretprints::wipe(*result.text);
        }
        qCInfo(lcClipboard) << "a change marked secret is kept out";
        return ChangeContent();
    }
    readText(offered, t, limits, result);
    if (result.text && secretprints::known(*result.text)) {
        secretprints::wipe(*result.text);
        qCInfo(lcClipboard) << "a change with the text of a copy marked secret is kept out";
        return ChangeContent();
    }
    // The program's own copy coming back: its picture is at hand already.
    if (askOwnMark && offered.contains(ImageOffer::kMarkTarget) && !t.givenUp()) {
        bool cut = false;
        const auto mark = t.read(ImageOffer::kMarkTarget, 256, &cut, nullptr);
        if (mark && !cut && ImageOffer::isOwnMark(*mark))
            result.ownMark = *mark;
    }
    for (const QByteArray &mime : imageTypes) {
        if (!result.ownMark.isEmpty())
            break;
        if (!offered.contains(mime) || t.givenUp())
            continue;
        bool cut = false;
        auto bytes = t.read(mime, ClipboardLimits::kMaxImageBytes, &cut, nullptr);
        if (!bytes || bytes->isEmpty())
            continue;
        QImage image = decodePicture(*bytes, cut, &result.refused);
        if (result.refused)
            break; // the same picture in another type is just as big
        if (!image.isNull()) {
            result.image = std::move(image);
            // Kept as long as the picture is: no room left over from the transfer's growth.
            bytes->squeeze();
            result.imageBytes = std::move(*bytes);
            result.imageType = mime;
            break;
        }
        qCDebug(lcClipboard) << mime << bytes->size() << "bytes are no picture that can be read";
    }
    if (t.givenUp()) {
        result = ChangeContent();
        result.givenUp = true;
    }
    return result;
}

QString describeChange(const ChangeContent &c)
{
    if (c.givenUp)
        return QStringLiteral("nothing: the fetch was given up (another owner came, or the owner went silent)");
    QStringList parts;
    if (c.text)
        parts << QStringLiteral("text of %1 characters%2").arg(c.text->size()).arg(c.textCut ? QStringLiteral(", cut") : QString());
    if (!c.ownMark.isEmpty())
        parts << QStringLiteral("the program's own picture");
    else if (!c.image.isNull())
        parts << QStringLiteral("picture %1 x %2 as %3, %4 bytes")
                     .arg(c.image.width())
                     .arg(c.image.height())
                     .arg(QString::fromLatin1(c.imageType))
                     .arg(c.imageBytes.size());
    if (c.refused)
        parts << QStringLiteral("a picture refused as too big");
    return parts.isEmpty() ? QStringLiteral("nothing the program keeps (no text, no readable picture, or marked secret)")
                           : parts.join(QStringLiteral(" and "));
}

bool sameContent(const ChangeContent &a, const ChangeContent &b)
{
    const bool something = a.text || !a.imageBytes.isEmpty() || !a.ownMark.isEmpty();
    return something && a.text == b.text && a.textCut == b.textCut && a.imageType == b.imageType
           && a.imageBytes == b.imageBytes && a.ownMark == b.ownMark;
}

std::vector<KeptTarget> readKeptTargets(const QByteArrayList &offered, const QByteArrayList &listed,
                                        OfferTransfer &t, qsizetype totalBytes)
{
    static const QByteArrayList notContent = {"TARGETS",         "MULTIPLE",         "TIMESTAMP", "SAVE_TARGETS",
                                              "DELETE",          "INSERT_SELECTION", "INSERT_PROPERTY",
                                              ImageOffer::kMarkTarget};
    std::vector<KeptTarget> kept;
    if (marked(offered))
        return kept;
    qsizetype left = totalBytes;
    for (QByteArray target : listed.isEmpty() ? offered : listed) {
        if (t.givenUp())
            return {};
        if (target.isEmpty() || notContent.contains(target) || !offered.contains(target) || left <= 0)
            continue;
        bool cut = false;
        OfferTransfer::Answer answer;
        auto bytes = t.read(target, left, &cut, &answer);
        if (!bytes || cut)
            continue;
        left -= bytes->size();
        bytes->squeeze();
        QByteArray type = answer.type.isEmpty() ? target : answer.type;
        // A picture under a name its bytes are not (a JPEG as image/png) is
        // kept under the type it really is, unless that type is kept anyway.
        const QByteArray actual = target.startsWith("image/") ? pictureTypeOf(*bytes) : QByteArray();
        if (!actual.isEmpty() && !pictureTypeFits(target, actual)) {
            const bool keptAnyway = (listed.isEmpty() ? offered : listed).contains(actual)
                && offered.contains(actual);
            if (keptAnyway || std::any_of(kept.cbegin(), kept.cend(), [&](const KeptTarget &k) { return k.target == actual; }))
                continue;
            target = type = actual;
        }
        kept.push_back({target, type, answer.format, std::move(*bytes)});
    }
    if (t.givenUp())
        return {};
    // The text of a copy marked secret, offered again without its mark, is not kept either.
    const bool secret = std::any_of(kept.begin(), kept.end(), [](const KeptTarget &k) {
        const auto type = std::find_if(std::begin(kTextTypes), std::end(kTextTypes),
                                       [&](const TextType &tt) { return k.target == tt.name; });
        if (type == std::end(kTextTypes))
            return false;
        QString text = decodedText(k.bytes, type->utf8, k.type);
        const bool known = secretprints::known(text);
        secretprints::wipe(text);
        return known;
    });
    if (secret) {
        for (KeptTarget &k : kept)
            wipe(k.bytes);
        qCInfo(lcClipboard) << "the text of a copy marked secret is not kept";
        return {};
    }
    return kept;
}

QImage decodePicture(const QByteArray &bytes, bool cut, std::optional<PictureRefusal> *refused)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size(); // from the header, before any pixel is decoded
    if (cut || (size.isValid() && ClipboardLimits::tooManyPixels(size))) {
        *refused = PictureRefusal{size.isValid() ? size : QSize(), bytes.size()};
        logRefusal(**refused, cut);
        return {};
    }
    QImage image = StoredPicture::normalised(reader.read());
    if (image.isNull())
        return {};
    if (ClipboardLimits::tooManyPixels(image.size())) {
        *refused = PictureRefusal{image.size(), bytes.size()};
        logRefusal(**refused, false);
        return {};
    }
    return image;
}
