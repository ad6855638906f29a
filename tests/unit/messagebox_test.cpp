// The real message box speaks German and defaults to Yes.

#include "platform/services/qtservices.h"
#include "support/fakeservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Seen {
    QString title;
    QString text;
    QStringList buttons;
    QString defaultButton;
};

// Looks at the box once it is open, then presses the button named `press`,
// or answers with the Escape key ("Escape") or the close box ("close").
Seen showAndPress(int style, const QString &title, const QString &press, int *result)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto *box = openMessageBox();
        if (!box)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (press == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (press == QLatin1String("close"))
            box->close();
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

// Only "Ja" answers yes: "Nein", Escape and the close box all answer no.
TEST(QtMessageBox, AskingOffersJaAndNeinWithJaAsDefault)
{
    const struct {
        const char *press;
        int result;
    } rows[] = {{"Nein", 7}, {"Ja", 6}, {"Escape", 7}, {"close", 7}};
    for (const auto &r : rows) {
        int result = 0;
        Seen seen = showAndPress(4, QStringLiteral("Warnung"), QString::fromLatin1(r.press), &result);
        EXPECT_EQ(result, r.result) << r.press;
        EXPECT_EQ(seen.title, QStringLiteral("Warnung"));
        EXPECT_EQ(seen.text, QStringLiteral("<b>Frage</b> ?"));
        seen.buttons.sort();
        EXPECT_EQ(seen.buttons, QStringList({"Ja", "Nein"}));
        EXPECT_EQ(seen.defaultButton, QStringLiteral("Ja"));
    }
}

TEST(QtMessageBox, TellingOffersOkUnderTheApplicationTitle)
{
    for (const char *press : {"OK", "Escape", "close"}) {
        int result = 0;
        Seen seen = showAndPress(0, QString(), QString::fromLatin1(press), &result);
        EXPECT_EQ(result, 1) << press;
        EXPECT_EQ(seen.title, QStringLiteral("Merkolo"));
        EXPECT_EQ(seen.buttons, QStringList({"OK"}));
    }
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
        auto *box = openMessageBox();
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
