#include "uninstall/UninstallApp.h"

// The one application object.
static CUninstallApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AfxWinMain(); }
