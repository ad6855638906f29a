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
