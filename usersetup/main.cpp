#include "usersetup/UserSetupApp.h"

// The one application object.
static CUserSetupApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AfxWinMain(); }
