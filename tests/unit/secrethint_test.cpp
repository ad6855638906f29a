// A password manager's secret mark: which values keep a change out, and the
// clipboard read through Qt (the one chosen off X11) offering nothing of a
// change marked secret.

#include "platform/clipboardfactory.h"
#include "platform/qtclipboard.h"
#include "platform/secrethint.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

TEST(SecretMark, SaysSecretInAnyCaseOrCannotBeReadKeepsTheChangeOut)
{
    using namespace Qt::Literals::StringLiterals;
    const struct {
        std::optional<QByteArray> value;
        bool keptOut;
    } cases[] = {
        {"secret"_ba, true},
        {"SECRET"_ba, true},
        {"Secret"_ba, true},
        {"sEcReT"_ba, true},
        {" secret\n"_ba, true},
        {QByteArray("secret\0", 7), true},
        {QByteArray("\0\t SECRET \r\n\0\0", 14), true},
        {std::nullopt, true},                      // refused, too slow
        {""_ba, true},                             // offered without a value
        {QByteArray(" \0\t", 3), true},            // blanks only
        {QByteArray(2000, ' ') + "secret", true},  // too long to read
        {"public"_ba, false},
        {"secrets"_ba, false},
        {"not secret"_ba, false},
        {"sec ret"_ba, false},
        {"secret!"_ba, false},
        {QByteArray("secret\0x", 8), false},
        {"geheim"_ba, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(secrethint::keepsOut(c.value), c.keptOut) << (c.value ? c.value->toHex().constData() : "(unread)");
}

TEST(SecretMark, TheClipboardReadThroughQtOffersNothingOfAChangeMarkedSecret)
{
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const std::unique_ptr<Clipboard> chosen = makeClipboard();
    ASSERT_NE(dynamic_cast<QtClipboard *>(chosen.get()), nullptr) << "offscreen, the clipboard is read through Qt";
    Clipboard &board = *chosen;
    for (const char *mark : {"secret", " Secret\t", "", "public"}) {
        auto *data = new QMimeData;
        data->setText(QStringLiteral("Kennwort"));
        data->setImageData(picture);
        data->setData(QString::fromLatin1(secrethint::kTarget), QByteArray(mark));
        QGuiApplication::clipboard()->setMimeData(data);
        const bool offered = QByteArray(mark) == "public";
        EXPECT_EQ(board.GetFormat(vbCFText), offered) << mark;
        EXPECT_EQ(board.GetFormat(vbCFBitmap), offered) << mark;
        EXPECT_EQ(board.GetText().has_value(), offered) << mark;
        EXPECT_EQ(board.GetData().isNull(), !offered) << mark;
    }
    // Without the mark, as before.
    QGuiApplication::clipboard()->setText(QStringLiteral("offen"));
    EXPECT_EQ(board.GetText(), QStringLiteral("offen"));
    QGuiApplication::clipboard()->clear();
}
