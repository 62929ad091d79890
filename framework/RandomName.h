// Names nobody can guess or take first: 16 bytes of the system's random
// generator as 32 lower-case hexadecimal digits.
#pragma once

#include "framework/String.h"

// False when the generator fails.
bool RandomHexName(CString& name);
