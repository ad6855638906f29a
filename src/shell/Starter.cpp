#include "Starter.h"

#include "winutil/twips.h"

Starter::Starter(Forms &forms)
    : Form(forms)
{
    setCaption(QStringLiteral("Merkolo-Auswahl: Quenta"));
    setClientSizeTwips(6345, 750);
    Check1 = new CheckBox(QStringLiteral("Check1"), this);
    twips::place(Check1, 1320, 1680, 1095, 255);
    Check2 = new CheckBox(QStringLiteral("Check2"), this);
    twips::place(Check2, 1320, 2280, 1095, 375);
}

// The options files are not read or written yet.
void Starter::Command2_Click() {}
void Starter::Command3_Click() { Check1->setValue(0); }
void Starter::Command4_Click() { Check2->setValue(0); }
void Starter::Command5_Click() {}
void Starter::Command6_Click() {}
