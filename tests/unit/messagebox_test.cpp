// The real message box speaks German and defaults to Yes.

#include "platform/qtservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Seen {
    QString title;
    QString text;
    QStringList buttons;
    QString defaultButton;
};

// Looks at the box once it is open, then presses the button named `press`.
Seen showAndPress(int style, const QString &title, const QString &press, int *result)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == press)
                b->click();
        }
    });
    QtMessageBox messages;
    *result = messages.show(QStringLiteral("<b>Frage</b> ?"), style, title);
    return seen;
}

} // namespace

TEST(QtMessageBox, AskingOffersJaAndNeinWithJaAsDefault)
{
    int result = 0;
    Seen seen = showAndPress(4, QStringLiteral("Warnung"), QStringLiteral("Nein"), &result);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(seen.title, QStringLiteral("Warnung"));
    EXPECT_EQ(seen.text, QStringLiteral("<b>Frage</b> ?"));
    seen.buttons.sort();
    EXPECT_EQ(seen.buttons, QStringList({"Ja", "Nein"}));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("Ja"));

    showAndPress(4, QStringLiteral("Warnung"), QStringLiteral("Ja"), &result);
    EXPECT_EQ(result, 6);
}

TEST(QtMessageBox, TellingOffersOkUnderTheApplicationTitle)
{
    int result = 0;
    Seen seen = showAndPress(0, QString(), QStringLiteral("OK"), &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen.title, QStringLiteral("Merkolo"));
    EXPECT_EQ(seen.buttons, QStringList({"OK"}));
}

// The box belongs to the window that asked (the active one): it opens over
// it, and in the always-on-top band when that window is there.
TEST(QtMessageBox, OwnedByTheActiveWindowAndAboveItsBand)
{
    QWidget asking;
    asking.setWindowFlag(Qt::WindowStaysOnTopHint);
    asking.show();
    QApplication::setActiveWindow(&asking);
    ASSERT_EQ(QApplication::activeWindow(), &asking);
    QWidget *owner = nullptr;
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        owner = box->parentWidget();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->buttons().front()->click();
    });
    QtMessageBox messages;
    messages.show(QStringLiteral("Ende: Von Bilder-Speicher, setze auf Bild-0 !"), 0, QString());
    EXPECT_EQ(owner, &asking);
    EXPECT_TRUE(onTop);
}
