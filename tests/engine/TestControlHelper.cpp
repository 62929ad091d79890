// The library a test control depends on; only found when the loader searches
// the control's own folder.
#include <windows.h>

extern "C" __declspec(dllexport) const char* TestHelperMarker() { return "helper"; }
