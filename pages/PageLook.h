// What every wizard page does first in its initialisation, after the
// framework has bound its controls.
#pragma once

#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

#include <windows.h>

#include <initializer_list>

// Turns on the heading's text shadow, gives the navigation buttons (Back,
// Next, Finish) their bevelled faces and Cancel its rounded one (null when
// the page has none), and takes the host's icons.
void PreparePageLook(HWND page, CStaticEx& heading, std::initializer_list<CShadeButton*> navigation,
                     CShadeButton* cancel);
