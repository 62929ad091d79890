// What every wizard page does first in its initialisation, after the
// framework has bound its controls.
#pragma once

#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

#include <windows.h>

#include <initializer_list>

// The installer's look (ApplyInstallerLook) and the host's icons.
void PreparePageLook(HWND page, CStaticEx& heading, std::initializer_list<CShadeButton*> navigation,
                     CShadeButton* cancel);
