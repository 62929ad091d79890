#include "app/SetupApp.h"

#include <ole2.h>

// The one application object.
static CSetupApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AfxWinMain(); }
