#include "pages/PageLook.h"

#include "framework/WizardProtocol.h"
#include "ui/InstallerLook.h"

void PreparePageLook(HWND page, CStaticEx& heading, std::initializer_list<CShadeButton*> navigation,
                     CShadeButton* cancel) {
    ApplyInstallerLook(&heading, navigation, cancel);
    TakeHostIcons(page);
}
