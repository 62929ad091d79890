// The look every dialog of the installer and the uninstaller shares: a
// shadowed heading, bevelled navigation buttons and a rounded Cancel.
#pragma once

#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

#include <initializer_list>

// Turns on the heading's text shadow (null: the dialog has none), gives the navigation buttons
// (Back, Next, Finish, Yes) their bevelled faces and Cancel (or No) its rounded one (null when the
// dialog has none).
void ApplyInstallerLook(CStaticEx* heading, std::initializer_list<CShadeButton*> navigation,
                        CShadeButton* cancel);
