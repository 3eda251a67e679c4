#include "ui/Unit1.h"

// Placeholder until the update check exists.
void TForm1::ButtonUpdateClick() {}
