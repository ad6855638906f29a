// The selector window's options buttons: saving and reading the two options files.

#include "Starter.h"

#include "imagestore/Formbilder.h"
#include "shell/optionsfile.h"
#include "textstore/Textform.h"
#include "winutil/forms.h"

#include <QDir>

namespace {
const QString kWarning = QStringLiteral("Warnung");
} // namespace

void Starter::saveOptions(const QString &path, const std::vector<int> &values)
{
    if (optionsfile::write(path, optionsfile::format(values)))
        return;
    services().messages->show(
        QStringLiteral("Optionen konnten nicht gespeichert werden: ") + QDir::toNativeSeparators(path), vbOKOnly,
        QString());
}

void Starter::Command3_Click()
{
    const int answer = services().messages->show(
        QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?"), vbYesNo, kWarning);
    if (forms().ended())
        return;
    if (answer == vbYes) {
        Check1->setValue(0);
        Formbilder &store = forms().get<Formbilder>();
        saveOptions(optionsfile::imagePath(services().roots->programFolder()),
                    {store.Check4->Value(), store.Check1->Value()});
    } else if (answer == vbNo) {
        Check1->setValue(0);
        services().messages->show(QStringLiteral("Geänderten Optionen (Bilder-Merkolo)wurden nicht gespeichert"),
                                  vbOKOnly, QString());
    }
}

void Starter::Command4_Click()
{
    const int answer = services().messages->show(
        QStringLiteral("Möchten Sie die geänderten Optionen (Merkolo-Text) speichern ?"), vbYesNo, kWarning);
    if (forms().ended())
        return;
    if (answer == vbYes) {
        Check2->setValue(0);
        Textform &store = forms().get<Textform>();
        saveOptions(optionsfile::textPath(services().roots->programFolder()), {store.Check1->Value()});
    } else if (answer == vbNo) {
        Check2->setValue(0);
        services().messages->show(QStringLiteral("Geänderten Optionen (Merkolo-Text)wurden nicht gespeichert !"),
                                  vbOKOnly, QString());
    }
}

void Starter::Command2_Click()
{
    const QString path = optionsfile::imagePath(services().roots->programFolder());
    const auto line1 = optionsfile::assignments(optionsfile::readLines(path, 1), 1);
    if (line1.front())
        forms().get<Formbilder>().Check4->setValue(*line1.front());
    Command6_Click();
}

void Starter::Command6_Click()
{
    const QString path = optionsfile::imagePath(services().roots->programFolder());
    for (const auto &value : optionsfile::assignments(optionsfile::readLines(path, 2), 2)) {
        if (value)
            forms().get<Formbilder>().Check1->setValue(*value);
    }
}

void Starter::Command5_Click()
{
    const QString path = optionsfile::textPath(services().roots->programFolder());
    for (const auto &value : optionsfile::assignments(optionsfile::readLines(path, 2), 2)) {
        if (value)
            forms().get<Textform>().Check1->setValue(*value);
    }
}
