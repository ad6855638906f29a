// A password manager's secret mark: which names are the mark, and the
// clipboard read through Qt (the one chosen off X11) offering nothing of a
// change marked secret.

#include "platform/clipboard/clipboardfactory.h"
#include "platform/clipboard/qtclipboard.h"
#include "platform/clipboard/secrethint.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

TEST(SecretMark, ItsNameInAnyCaseIsTheMarkAndNothingElse)
{
    for (const char *name : {"x-kde-passwordManagerHint", "X-KDE-PASSWORDMANAGERHINT", "x-kde-passwordmanagerhint"})
        EXPECT_TRUE(secrethint::isMark(name)) << name;
    for (const char *name : {"x-kde-passwordManagerHint ", "x-kde-passwordManagerHints", "passwordManagerHint", "",
                             "text/plain"})
        EXPECT_FALSE(secrethint::isMark(name)) << name;
}

TEST(SecretMark, TheClipboardReadThroughQtOffersNothingOfAChangeMarkedSecret)
{
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const std::unique_ptr<Clipboard> chosen = makeClipboard();
    ASSERT_NE(dynamic_cast<QtClipboard *>(chosen.get()), nullptr) << "offscreen, the clipboard is read through Qt";
    Clipboard &board = *chosen;
    // The mark's presence alone keeps the change out, whatever its value or the case of its name.
    const std::pair<const char *, QByteArray> marks[] = {
        {secrethint::kTarget, "secret"},
        {secrethint::kTarget, "public"},
        {secrethint::kTarget, ""},
        {secrethint::kTarget, QByteArray("\xff\xfes\0e\0c\0r\0e\0t\0", 14)},
        {"X-KDE-PasswordManagerHint", "secret"},
        {"x-kde-passwordManagerHint2", "secret"},
    };
    for (const auto &[name, mark] : marks) {
        auto *data = new QMimeData;
        data->setText(QStringLiteral("Kennwort"));
        data->setImageData(picture);
        data->setData(QString::fromLatin1(name), mark);
        QGuiApplication::clipboard()->setMimeData(data);
        const bool offered = QByteArray(name).endsWith('2');
        EXPECT_EQ(board.GetFormat(vbCFText), offered) << name << mark.toHex().constData();
        EXPECT_EQ(board.GetFormat(vbCFBitmap), offered) << name << mark.toHex().constData();
        EXPECT_EQ(board.GetText().has_value(), offered) << name << mark.toHex().constData();
        EXPECT_EQ(board.GetData().isNull(), !offered) << name << mark.toHex().constData();
    }
    // Without the mark, as before.
    QGuiApplication::clipboard()->setText(QStringLiteral("offen"));
    EXPECT_EQ(board.GetText(), QStringLiteral("offen"));
    QGuiApplication::clipboard()->clear();
}
