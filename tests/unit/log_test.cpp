// The log: a category per area, warnings on by default, the rest switched on
// by rules (QT_LOGGING_RULES), and nothing of the clipboard's content in it.

#include "platform/services/log.h"
#include "support/logcapture.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(Log, WarningsAreOnByDefaultAndTheRestWithTheRules)
{
    const QLoggingCategory *categories[] = {&lcClipboard(), &lcFiles(), &lcTray(), &lcInstance()};
    const QStringList names = {"merkolo.clipboard", "merkolo.files", "merkolo.tray", "merkolo.instance"};
    for (int i = 0; i < 4; ++i) {
        const QLoggingCategory &c = *categories[i];
        EXPECT_EQ(QString::fromLatin1(c.categoryName()), names[i]);
        EXPECT_TRUE(c.isWarningEnabled()) << names[i].toStdString();
        EXPECT_TRUE(c.isCriticalEnabled()) << names[i].toStdString();
        EXPECT_FALSE(c.isInfoEnabled()) << names[i].toStdString();
        EXPECT_FALSE(c.isDebugEnabled()) << names[i].toStdString();
    }
    {
        const LogCapture everything;
        for (const QLoggingCategory *c : categories) {
            EXPECT_TRUE(c->isInfoEnabled()) << c->categoryName();
            EXPECT_TRUE(c->isDebugEnabled()) << c->categoryName();
        }
    }
    EXPECT_FALSE(lcClipboard().isInfoEnabled()) << "the defaults are back";
}

// Whatever the stores do with a capture, their saves and their failures,
// the log names sizes, paths and reasons, never what was copied.
TEST(Log, NothingTheClipboardHeldIsEverLogged)
{
    TestDesktop d;
    const LogCapture log;
    Textform &text = d.forms->get<Textform>();
    Formbilder &images = d.forms->get<Formbilder>();
    text.Check1->setValue(1);
    images.Check1->setValue(1);
    const QString secret = QStringLiteral("Kennwort-4711-geheim");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    d.clipboard.setFromOutside(secret, picture);
    ASSERT_EQ(text.List1[0]->List(0), secret);
    // Saves that fail: a file stands where each store's folder should be.
    QFile(QDir(d.roots.program).filePath(QStringLiteral("text"))).open(QIODevice::WriteOnly);
    QFile(QDir(d.roots.current).filePath(QStringLiteral("bilder"))).open(QIODevice::WriteOnly);
    text.List1[0]->setListIndex(0);
    text.Command5_Click();
    images.Command13_Click();
    images.Command5_Click();
    images.Command16_Click();
    const QStringList files = log.texts(QStringLiteral("merkolo.files"), QtWarningMsg);
    EXPECT_EQ(files.size(), 3) << files.join(" | ").toStdString(); // the text, the picture, the picture folder
    for (const QString &line : log.all())
        EXPECT_FALSE(line.contains(QStringLiteral("Kennwort"))) << line.toStdString();
}
