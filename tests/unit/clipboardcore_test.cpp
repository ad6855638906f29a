// The clipboard's core, free of X11 and Wayland: one table of offers read
// as each route reads them (X11 asks for the program's own picture mark and
// hears the owner's answer type; a Wayland pipe says neither), against what
// a change brings, what of it may go back and in which form, once.

#include "platform/clipboard/change.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/clipboard/keptcontent.h"
#include "platform/clipboard/memoryreturn.h"
#include "platform/clipboard/picturetype.h"
#include "platform/clipboard/secrethint.h"
#include "platform/clipboard/secretprints.h"

#include "support/files.h"

#include <QImage>

#include <gtest/gtest.h>

#include <map>

#include <malloc.h>
#include <unistd.h>

namespace {

// An offer served from memory; it notes each type asked for.
struct Offer : OfferTransfer {
    std::map<QByteArray, QByteArray> bytes;
    QByteArray answersUtf8; // the type whose answer says UTF-8 (X11 only)
    QByteArray givesUpAt;   // the fetch is given up while this type is read
    bool x11 = true;
    bool gaveUp = false;
    QByteArrayList asked;

    std::optional<QByteArray> read(const QByteArray &type, qsizetype maxBytes, bool *cut, Answer *answer) override
    {
        asked << type;
        gaveUp = gaveUp || type == givesUpAt;
        const auto it = bytes.find(type);
        if (gaveUp || it == bytes.end())
            return std::nullopt;
        if (answer && x11)
            answer->type = type == answersUtf8 ? QByteArray("UTF8_STRING") : type;
        *cut = it->second.size() > maxBytes;
        return it->second.left(maxBytes);
    }
    bool givenUp() const override { return gaveUp; }
    QByteArrayList types() const
    {
        QByteArrayList out;
        for (const auto &[type, b] : bytes)
            out << type;
        return out;
    }
};

} // namespace

void PrintTo(const PictureOfferType &t, std::ostream *out)
{
    *out << t.type.constData() << (t.source == PictureOfferType::Source::Original ? " as it came" : " converted");
}

TEST(ClipboardCore, OffersAreReadAsTheTableSaysOnBothRoutes)
{
    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(qRgb(30, 140, 220));
    const QByteArray png = encoded(picture, "PNG"), bmp = encoded(picture, "BMP");
    // A BMP whose header claims more pixels than a picture may have.
    QByteArray huge = bmp;
    const qint32 side = ClipboardLimits::kMaxSide + 1;
    huge.replace(18, 4, QByteArray(reinterpret_cast<const char *>(&side), 4));
    huge.replace(22, 4, QByteArray(reinterpret_cast<const char *>(&side), 4));
    const QByteArray mark = ImageOffer::kMarkTarget;
    const QByteArray ownMark = QByteArray::number(::getpid()) + ":7";
    using Form = KeptContent::Form;
    const QString nothing = QStringLiteral("<nichts>");

    const struct Row {
        const char *what;
        std::map<QByteArray, QByteArray> offer;
        QString text[2]; // as read on X11, on Wayland
        QByteArray imageType[2];
        Form form[2];
        QByteArray answersUtf8 = {}, givesUpAt = {};
        bool cut = false, refused = false;
    } rows[] = {
        {"UTF-8 first", {{"UTF8_STRING", "Gr\xc3\xbc\xc3\x9f" "e"}, {"STRING", "Gr\xfc\xdf" "e"}},
         {"Grüße", "Grüße"}, {}, {Form::Text, Form::Text}},
        {"STRING is Latin-1", {{"STRING", "Gr\xfc\xdf" "e"}, {"TEXT", "x"}}, {"Grüße", "Grüße"}, {}, {Form::Text, Form::Text}},
        {"an answer that says UTF-8 (X11 alone hears it)", {{"STRING", "\xc3\xa4"}}, {"ä", "Ã¤"}, {},
         {Form::Text, Form::Text}, "STRING"},
        {"a text over the limit is cut and never goes back", {{"text/plain;charset=utf-8", "0123456789abc"}},
         {"0123456789", "0123456789"}, {}, {Form::Nothing, Form::Nothing}, {}, {}, true},
        {"the secret mark keeps all out", {{secrethint::kTarget, "secret"}, {"UTF8_STRING", "Passwort"}, {"image/png", png}},
         {nothing, nothing}, {}, {Form::Nothing, Form::Nothing}},
        {"its text again without the mark (X11 kept its fingerprint)", {{"STRING", "Passwort"}, {"image/png", png}},
         {nothing, nothing}, {}, {Form::Nothing, Form::Nothing}},
        {"text and picture: the text goes back", {{"UTF8_STRING", "beides"}, {"image/png", png}}, {"beides", "beides"},
         {"image/png", "image/png"}, {Form::Text, Form::Text}},
        {"a PNG goes back as its bytes", {{"image/png", png}, {"image/bmp", bmp}}, {nothing, nothing},
         {"image/png", "image/png"}, {Form::Png, Form::Png}},
        {"another type is encoded as PNG", {{"image/bmp", bmp}}, {nothing, nothing}, {"image/bmp", "image/bmp"},
         {Form::EncodedAsPng, Form::EncodedAsPng}},
        {"bytes that are no picture are passed over", {{"image/png", "kein Bild"}, {"image/bmp", bmp}},
         {nothing, nothing}, {"image/bmp", "image/bmp"}, {Form::EncodedAsPng, Form::EncodedAsPng}},
        {"too many pixels: refused, never back", {{"image/bmp", huge}, {"image/png", "kein Bild"}}, {nothing, nothing},
         {}, {Form::Nothing, Form::Nothing}, {}, {}, false, true},
        {"given up half-way brings nothing", {{"UTF8_STRING", "halb"}, {"image/png", png}}, {nothing, nothing}, {},
         {Form::Nothing, Form::Nothing}, {}, "image/png"},
        {"the program's own copy: X11 takes the mark instead of the picture", {{mark, ownMark}, {"image/png", png}},
         {nothing, nothing}, {"", "image/png"}, {Form::Nothing, Form::Png}},

        {"a PNG under another name goes back as its bytes", {{"image/bmp", png}}, {nothing, nothing},
         {"image/bmp", "image/bmp"}, {Form::Png, Form::Png}},
        {"a BMP under the name of PNG is encoded", {{"image/png", bmp}}, {nothing, nothing}, {"image/png", "image/png"},
         {Form::EncodedAsPng, Form::EncodedAsPng}},
    };
    ClipboardLimits limits;
    limits.textBytes = 10;
    const QByteArrayList imageTypes = {"image/png", "image/bmp"};
    for (const Row &r : rows) {
        for (int route = 0; route < 2; ++route) {
            SCOPED_TRACE(std::string(r.what) + (route == 0 ? " (X11)" : " (Wayland)"));
            Offer offer;
            offer.bytes = r.offer;
            offer.x11 = route == 0;
            offer.answersUtf8 = r.answersUtf8;
            offer.givesUpAt = r.givesUpAt;
            const ChangeContent c = readOffer(offer.types(), offer, imageTypes, limits, offer.x11, offer.x11);
            EXPECT_EQ(c.text.value_or(nothing), r.text[route]);
            EXPECT_EQ(c.textCut, r.cut);
            EXPECT_EQ(c.imageType, r.imageType[route]);
            EXPECT_EQ(c.image.isNull(), r.imageType[route].isEmpty());
            if (!c.image.isNull()) {
                EXPECT_EQ(c.imageBytes, r.offer.at(c.imageType));
            }
            EXPECT_EQ(c.refused.has_value(), r.refused);
            EXPECT_EQ(c.ownMark, route == 0 && r.offer.count(mark) ? ownMark : QByteArray());
            EXPECT_EQ(KeptContent::of(c).form(), r.form[route]);
            if (r.offer.count(secrethint::kTarget)) { // the mark never; on X11 the text once, for its fingerprint
                EXPECT_EQ(offer.asked, route == 0 ? QByteArrayList{"UTF8_STRING"} : QByteArrayList{});
            }
        }
    }
}

TEST(ClipboardCore, KeptContentGoesBackOnceForItsOwnerAndPicturesAreOfferedInTheirTypes)
{
    ChangeContent change;
    change.text = QStringLiteral("einmal");
    KeptClipboard kept;
    kept.keep(change, 42);
    EXPECT_FALSE(kept.take(7)) << "another owner's end brings nothing back";
    const std::optional<KeptContent> back = kept.take(42);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, change.text);
    EXPECT_FALSE(kept.take(42)) << "once only";
    kept.keep(change);
    kept.forget();
    EXPECT_FALSE(kept.take());

    // Each type a stored picture goes out in: its bytes where they are that
    // type (by their signature, whatever name they came under), else a conversion.
    using Source = PictureOfferType::Source;
    const QByteArray pngBytes = "\x89PNG\r\n\x1a\n....", jpeg = "\xff\xd8\xff\xe0....", bmpBytes = "BM" + QByteArray(30, 0);
    const struct {
        QByteArray bytes, cameAs;
        bool bmp;
        std::vector<PictureOfferType> offered;
    } types[] = {
        {pngBytes, "image/png", true, {{"image/png", Source::Original}, {"image/bmp", Source::Bmp}}},
        {jpeg, "image/jpeg", true, {{"image/png", Source::Png}, {"image/bmp", Source::Bmp}, {"image/jpeg", Source::Original}}},
        {bmpBytes, "image/x-MS-bmp", false, {{"image/png", Source::Png}, {"image/bmp", Source::Original}, {"image/x-MS-bmp", Source::Original}}},
        {"GIF89a....", "image/gif", false, {{"image/png", Source::Png}, {"image/gif", Source::Original}}},
        {jpeg, "image/png", true, {{"image/png", Source::Png}, {"image/bmp", Source::Bmp}, {"image/jpeg", Source::Original}}},
        {pngBytes, "image/bmp", true, {{"image/png", Source::Original}, {"image/bmp", Source::Bmp}}},
        {"RIFF....WEBPVP8 ", "image/png", false, {{"image/png", Source::Png}, {"image/webp", Source::Original}}},
        {QByteArray("MM\0*....", 8), "image/tiff", false, {{"image/png", Source::Png}, {"image/tiff", Source::Original}}},
        {"P6\n2 2\n255\n", "image/x-portable-anymap", false, {{"image/png", Source::Png}, {"image/x-portable-anymap", Source::Original}}},
        {"unbekannt", "image/x-eigen", true, {{"image/png", Source::Png}, {"image/bmp", Source::Bmp}}},
    };
    for (const auto &t : types)
        EXPECT_EQ(pictureOffer(t.bytes, t.cameAs, t.bmp), t.offered) << t.cameAs.constData() << " " << t.bytes.left(4).toHex().constData();

    // An owner about to quit: the types it lists (all when none), each whole
    // within the cap for all, never the selection's own targets or a secret,
    // nor the text of a marked copy offered again without its mark.
    QString secret = QStringLiteral("Passwort");
    secretprints::remember(secret);
    EXPECT_TRUE(secret.isEmpty());
    const struct {
        std::map<QByteArray, QByteArray> offer;
        QByteArrayList listed;
        qsizetype cap;
        QByteArrayList kept;
    } saves[] = {
        {{{"TARGETS", "x"}, {"text/html", "<b>"}, {"UTF8_STRING", "b"}, {"TIMESTAMP", "1"}}, {}, 100, {"UTF8_STRING", "text/html"}},
        {{{"text/html", "<b>"}, {"UTF8_STRING", "b"}, {"x-privat", "p"}}, {"x-privat", "nicht angeboten"}, 100, {"x-privat"}},
        {{{"a", "12345"}, {"b", "123"}, {"c", "12"}}, {}, 5, {"a"}},
        {{{"a", "123456"}, {"b", "123"}, {"c", "12"}}, {}, 5, {"b", "c"}},
        {{{secrethint::kTarget, "1"}, {"UTF8_STRING", "geheim"}}, {}, 100, {}},
        {{{"text/html", "<b>"}, {"STRING", "Passwort"}}, {}, 100, {}},
        {{{"image/png", jpeg}, {"text/html", "<b>"}}, {}, 100, {"image/jpeg", "text/html"}},
        {{{"image/png", jpeg}, {"image/jpeg", jpeg}}, {}, 100, {"image/jpeg"}},
    };
    for (const auto &r : saves) {
        Offer offer;
        offer.bytes = r.offer;
        QByteArrayList kept;
        for (const KeptTarget &k : readKeptTargets(offer.types(), r.listed, offer, r.cap)) {
            kept << k.target;
            EXPECT_EQ(k.type, k.target);
            EXPECT_EQ(k.bytes, r.offer.count(k.target) ? r.offer.at(k.target) : r.offer.at("image/png"));
        }
        EXPECT_EQ(kept, r.kept) << offer.types().join(' ').constData();
    }
}

// A 4K picture's pixels (31.6 MiB) get a mapping of their own, given back
// whole when freed, never a piece of a heap that stays with the process.
TEST(ClipboardCore, DecodedPicturesAreMappedApartFromTheHeaps)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator has no mapping threshold";
#else
    memoryreturn::mapLargeBuffersApart();
    const size_t before = mallinfo2().hblkhd;
    const QImage pixels(3840, 2160, QImage::Format_RGB32);
    EXPECT_GE(mallinfo2().hblkhd - before, size_t(pixels.sizeInBytes()));
#endif
}
