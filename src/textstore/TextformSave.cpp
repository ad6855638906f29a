// The text store's saving: the date-time stamp in Label2, the save button's
// tooltip, saving Text2 into the folder "text" beside the program, and
// opening that folder.

#include "Textform.h"

#include "forms/datestamp.h"
#include "forms/forms.h"
#include "forms/modMain.h"
#include "platform/files/filesave.h"
#include "textfile.h"

#include <QDir>

void Textform::Label2_Click()
{
    Label2->setText(datestamp::of(services().clock->now()));
}

void Textform::Command5_MouseMove(int, int, int, int)
{
    Label2_Click();
    setPlainToolTip(Command5, QStringLiteral("Speichern unter Ordner: [text\\], Name: Text") + Label2->text()
                                  + QStringLiteral(".txt"));
}

void Textform::Command5_Click()
{
    if (Text2->Text().isEmpty()) {
        services().messages->show(QStringLiteral("Kein Text geladen, Datei wird nicht gespeichert"), vbOKOnly,
                                  QString());
        return;
    }
    Label2_Click();
    const QString stamp = Label2->text();
    const QString path = textfile::path(services().roots->programFolder(), stamp);
    // The confirmation only once the file is complete on disk; a failure is
    // reported instead and leaves no partial file behind.
    QString error;
    if (!filesave::writeWhole(path, textfile::content(Text2->Text()), &error)) {
        services().messages->show(QStringLiteral("Text konnte nicht gespeichert werden: ")
                                      + QDir::toNativeSeparators(path) + QLatin1Char('\n') + error,
                                  vbOKOnly, QString());
        return;
    }
    services().messages->show(QStringLiteral("OK Text wurde gespeichert: Im Ordner ")
                                  + QStringLiteral("[text/],  Name: ") + QStringLiteral("Text") + stamp
                                  + QStringLiteral(".txt") + QStringLiteral(" !"),
                              vbOKOnly, QString());
}

void Textform::Command6_Click()
{
    Label2->setText(QStringLiteral("text"));
    // The folder the saves go into, whatever the current directory is.
    const QString folder = QDir(services().roots->programFolder()).filePath(Label2->text());
    if (makeFolder(folder))
        modMain::ShellOpen(hWnd(), folder);
}
