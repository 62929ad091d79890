#include "ui/InstallerLook.h"

void ApplyInstallerLook(CStaticEx* heading, std::initializer_list<CShadeButton*> navigation,
                        CShadeButton* cancel) {
    if (heading) heading->EnableShadow(1);
    // Every dialog's buttons share one grain (8) and one highlight (10), untinted.
    for (CShadeButton* button : navigation) button->PrepareShades(ShadeBevelCurve, 8, 10, 0, 0);
    if (cancel) cancel->PrepareShades(ShadeCornerCurve, 8, 10, 0, 0);
}
