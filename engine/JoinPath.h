#pragma once

#include "framework/String.h"

// The engine's path join: name alone when folder is shorter than three
// characters; otherwise folder and name with one backslash between them,
// unless folder already ends in a backslash or a forward slash.
CString JoinPath(const CString& folder, const CString& name);
