// The running program's own arguments, read from the wide command line and
// the wide module path, so that every argument arrives as typed whatever the
// system's code page.
#pragma once

#include "framework/String.h"

// The text after the program path (SkipProgramPath), in code page 936. False
// when an argument has a character code page 936 lacks (a /LOG= file under
// "C:\Users\Søren"): arguments then holds the text for showing only, with
// "?" in its place, and must not be acted upon.
bool ReadProgramArguments(CString& arguments);
