// This build's version, all four numbers ("9.0.0.0"): the detection value,
// the uninstall entry's DisplayVersion, the first line of every log and the
// version a run compares with the installed one.
#pragma once

extern const char kBuildVersion[];
