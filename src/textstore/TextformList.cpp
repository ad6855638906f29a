// The text store's lists: picking an entry, copying it back to the
// clipboard, pasting in, deleting, the list keys, the heights that follow
// the list's selection and focus, the tooltip and the entry count.

#include "Textform.h"

#include "forms/forms.h"
#include "forms/keys.h"

namespace {
const QString kListTip = QStringLiteral("Speicher Liste:  Mit Doppelklick in Zwischenablage kopieren! >...");
} // namespace

void Textform::wireLists()
{
    for (int i = 0; i < static_cast<int>(List1.size()); ++i) {
        ListBox *list = List1[i];
        ControlEvents *e = events(list);
        connect(list, &ListBox::Click, this, [this, i] { List1_Click(i); });
        connect(e, &ControlEvents::DblClick, this, [this, i] { List1_DblClick(i); });
        connect(e, &ControlEvents::KeyDown, this,
                [this, i](int keyCode, int shift) { List1_KeyDown(i, keyCode, shift); });
        connect(e, &ControlEvents::LostFocus, this, [this, i] { List1_LostFocus(i); });
        connect(e, &ControlEvents::MouseMove, this, [this, i](int button, int shift, int x, int y) {
            List1_MouseMove(i, button, shift, x, y);
        });
    }
    connect(Command2, &QPushButton::clicked, this, &Textform::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Textform::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, &Textform::Command7_Click);
    connect(events(Picture1), &ControlEvents::Click, this, &Textform::Picture1_Click);
    connect(events(Picture2), &ControlEvents::Click, this, &Textform::Picture2_Click);
}

void Textform::putOnClipboard(const QString &text)
{
    // Each write is a clipboard change and comes back through the capture path.
    Clipboard &board = *services().clipboard;
    board.Clear();
    board.SetText(text);
}

void Textform::List1_Click(int)
{
    Text2->setText(List1[0]->Text());
    setHeight(Check2->Value() != 0 ? 1950 : 3675);
}

void Textform::List1_LostFocus(int)
{
    setHeight(Check2->Value() != 0 ? 1000 : 2505);
}

void Textform::List1_DblClick(int)
{
    putOnClipboard(Text2->Text());
}

void Textform::Command3_Click()
{
    putOnClipboard(Text2->Text());
}

void Textform::Picture2_Click()
{
    putOnClipboard(Text2->Text());
}

void Textform::Command2_Click()
{
    List1[0]->AddItem(Text1->Text()); // a full list adds nothing
}

void Textform::Picture1_Click()
{
    List1[0]->AddItem(Text1->Text());
}

void Textform::Command7_Click()
{
    ListBox &list = *List1[0];
    if (list.ListIndex() >= 0)
        list.RemoveItem(list.ListIndex());
    list.setFocus();
}

void Textform::List1_KeyDown(int index, int keyCode, int shift)
{
    if (shift != keys::vbCtrlMask || index < 0 || index >= static_cast<int>(List1.size()))
        return;
    ListBox &list = *List1[index];
    if (keyCode == 'C' || (keyCode == 'X' && list.ListIndex() >= 0)) {
        const QString taken = list.Text(); // empty for C with nothing selected
        if (keyCode == 'X')
            list.RemoveItem(list.ListIndex());
        QPointer<Textform> self(this);
        putOnClipboard(taken);
        if (!self || isUnloaded())
            return;
        List1[(index + 1) % List1.size()]->setFocus();
    } else if (keyCode == 'V' && services().clipboard->GetFormat(vbCFText)) {
        const std::optional<QString> text = services().clipboard->GetText();
        if (!text)
            return;
        list.AddItem(*text);
        // A full list takes nothing; its last entry is selected all the same.
        list.setListIndex(list.ListCount() - 1);
    }
}

void Textform::List1_MouseMove(int, int, int, int, int)
{
    setPlainToolTip(List1[0], kListTip + List1[0]->Text());
    setCaption(QStringLiteral("Speicher Liste: ") + QString::number(List1[0]->ListCount())
               + QStringLiteral(" Einträg in der Liste !"));
}
