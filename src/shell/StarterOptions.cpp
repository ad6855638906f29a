// The selector window's options buttons: saving and reading the two options files.

#include "Starter.h"

#include "forms/forms.h"
#include "imagestore/Formbilder.h"
#include "shell/optionsfile.h"
#include "textstore/Textform.h"

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

void Starter::askToSave(const QString &question, const QString &notSaved, CheckBox *flag, const QString &path,
                        const std::function<std::vector<int>()> &values)
{
    const int answer = services().messages->show(question, vbYesNo, kWarning);
    if (forms().ended())
        return;
    if (answer == vbYes) {
        flag->setValue(0);
        saveOptions(path, values());
    } else if (answer == vbNo) {
        flag->setValue(0);
        services().messages->show(notSaved, vbOKOnly, QString());
    }
}

void Starter::Command3_Click()
{
    askToSave(QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?"),
              QStringLiteral("Geänderten Optionen (Bilder-Merkolo)wurden nicht gespeichert"), Check1,
              optionsfile::imagePath(services().roots->programFolder()), [this]() -> std::vector<int> {
                  Formbilder &store = forms().get<Formbilder>();
                  return {store.Check4->Value(), store.Check1->Value()};
              });
}

void Starter::Command4_Click()
{
    askToSave(QStringLiteral("Möchten Sie die geänderten Optionen (Merkolo-Text) speichern ?"),
              QStringLiteral("Geänderten Optionen (Merkolo-Text)wurden nicht gespeichert !"), Check2,
              optionsfile::textPath(services().roots->programFolder()), [this]() -> std::vector<int> {
                  return {forms().get<Textform>().Check1->Value()};
              });
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
