// TL2nachL1: the level transfer "Transfer Level 2 -> Level 1".
#pragma once

#include "ui/Unit9.h"

// "Transfer Level 2 -> Level 1": the ID3v2 tag into the ID3v1 tag, the genre
// text turned into a genre number.
class TL2nachL1 : public TLevelTransfer {
    Q_OBJECT
  public:
    explicit TL2nachL1(ListRows* rows, QWidget* parent = nullptr);
};
