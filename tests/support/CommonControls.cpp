// Every test program may show the product's dialogs (the progress bar is a
// common control) without the application object that registers the common
// controls' classes: they are registered here, before the tests run, as the
// programs do it (comctl32 loaded by its System32 path, never imported).
#include "framework/App.h"

namespace {

const bool g_commonControls = (AfxEnableControlContainer(), true);

} // namespace
