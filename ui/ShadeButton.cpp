#include "ui/ShadeButton.h"

// Placeholder until the shaded faces land: the button keeps its plain look.
void CShadeButton::PrepareShades(unsigned, unsigned char, unsigned char, unsigned char, COLORREF) {}
