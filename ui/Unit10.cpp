#include "ui/Unit10.h"

TL2nachL1::TL2nachL1(ListRows* rows, QWidget* parent)
    : TLevelTransfer(rows, parent, 2, QStringLiteral("Transfer Level 2 -> Level 1"),
                     QStringLiteral("Transferiere ID3Tags Level 2 nach ID3Tag Level 1...")) {
    setObjectName(QStringLiteral("L2nachL1"));
    // This one has an ordinary, resizable frame.
    setSizeGripEnabled(true);
    resize(360, sizeHint().height());
}
