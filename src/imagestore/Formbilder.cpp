#include "Formbilder.h"

#include "winutil/twips.h"

Formbilder::Formbilder(Forms &forms)
    : Form(forms)
{
    setCaption(QStringLiteral("Merkolo, Quenta"));
    setClientSizeTwips(12210, 1455);
    Check1 = new CheckBox(QStringLiteral("Automatisch"), this);
    twips::place(Check1, 8640, 1170, 1215, 255);
    Check4 = new CheckBox(QStringLiteral("Auto-Maus"), this);
    twips::place(Check4, 8640, 960, 1095, 255);
}

void Formbilder::Command9_Click() {}
void Formbilder::Command15_Click() {}
