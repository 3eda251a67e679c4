#include "ui/Unit1.h"

// Placeholder until the settings file exists: the window keeps its design state.
void TForm1::RestoreSettings() {}
void TForm1::SaveSettings() {}
