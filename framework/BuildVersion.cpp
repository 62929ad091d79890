// Alone in its file, taken from the one version source (CMakeLists.txt,
// through res/ProductVersion.h): the tests compile this file a second time
// with another version into a second Setup.exe, which then tells itself
// apart from this build as the next release would.
#include "framework/BuildVersion.h"

#include "res/ProductVersion.h"

const char kBuildVersion[] = KELVRA_VERSION_FULL;
