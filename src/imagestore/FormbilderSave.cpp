// The image store's saving: the current slot as a BMP file in the folder
// "bilder" of the current directory, under a plain or a date-time name.

#include "Formbilder.h"

#include "bmpfile.h"
#include "imagefilename.h"

#include "forms/datestamp.h"
#include "forms/modMain.h"
#include "platform/files/filesave.h"
#include "platform/services/log.h"
#include "platform/services/services.h"

#include <QDir>

namespace {

const QString kFolder = QStringLiteral("bilder/");

} // namespace

void Formbilder::Label2_Click()
{
    // One reading of the clock for date and time, so a save at midnight
    // cannot put one day's date before the next day's time.
    Label2->setText(datestamp::of(services().clock->now()));
}

void Formbilder::Command14_MouseMove(int, int, int, int)
{
    Label2_Click();
    setPlainToolTip(Command14, QStringLiteral("Bild-") + Text1->Text() + Label2->text());
}

void Formbilder::Command5_Click()
{
    saveCurrentSlot(QString(), QString());
}

void Formbilder::Command14_Click()
{
    Label2_Click();
    saveCurrentSlot(Label2->text(), QStringLiteral(" !"));
}

void Formbilder::Command16_Click()
{
    openImageFolder(hWnd());
}

void Formbilder::openImageFolder(HWND owner)
{
    // The folder the saves create, so that the file browser opens even before the first save.
    const QString folder = QDir(services().roots->currentDirectory()).filePath(Label3->text());
    if (makeFolder(folder))
        modMain::ShellOpen(owner, Label3->text());
}

void Formbilder::saveCurrentSlot(const QString &stamp, const QString &confirmEnd)
{
    const QString slotText = Text1->Text();
    const auto name = imagefilename::of(slotText, stamp);
    const auto n = currentSlot();
    if (!name || !n) {
        message(QStringLiteral("Bild wurde nicht gespeichert: \"") + slotText
                + QStringLiteral("\" ist keine Bildnummer von 0 bis 9 und taugt nicht als Dateiname."));
        return;
    }
    const QImage picture = Bildx[*n]->Picture();
    if (picture.isNull()) {
        message(QStringLiteral("Kein Bild geladen, Datei wird nicht gespeichert"));
        return;
    }
    const QString path = QDir(services().roots->currentDirectory()).filePath(kFolder + *name);
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (bmpfile::fileSize(picture, bmpfile::Layout::Argb32) == 0) {
        qCWarning(lcFiles) << "not written:" << path << "a picture of" << picture.size() << "is too big for a BMP file";
        message(QStringLiteral("Fehler: Bild wurde nicht gespeichert: ") + shown
                + QStringLiteral("\nDas Bild ist zu groß für eine BMP-Datei."));
        return;
    }
    QString error;
    const bool written = filesave::writeWhole(
        path, [&picture](QIODevice &out) { return bmpfile::write(picture, out); }, &error);
    if (!written) {
        message(QStringLiteral("Fehler: Bild wurde nicht gespeichert: ") + shown + QLatin1Char('\n') + error);
        return;
    }
    message(QStringLiteral("OK Bild wurde gespeichert: Im Ordner ") + QStringLiteral("[bilder/],  Name: ") + *name
            + confirmEnd);
}
