// The machine recorded and compared: files under a folder and registry
// trees, each entry by its path, so that two records give every entry
// added, removed or changed between them.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// path -> size and last write time (folders: "<dir>"); folders without a
// trailing backslash.
using FileSnapshot = std::map<std::string, std::string>;
void SnapshotFiles(const CString& folder, FileSnapshot& snapshot);

// "HKLM\key" (keys: "<key>") and "HKLM\key\:name" (values, with type and bytes).
using RegistrySnapshot = std::map<std::string, std::string>;
void SnapshotKey(HKEY key, const std::string& path, RegistrySnapshot& snapshot);
// Every tree the product, its controls and its programs write (the product
// keys, the uninstall entries, AutoCAD, classes, Active Setup, the common
// shell folders), in both registry views, under the same "HKLM\\..." paths
// as a whole-hive snapshot. Wine goes on writing elsewhere by itself (a new
// prefix gains network cards, fonts and its own keys for a while), so a
// comparison over whole hives can fail for no fault of the product.
void SnapshotProductRegistry(RegistrySnapshot& snapshot);

// Every entry added ("+ path"), removed ("- path") or changed ("* path").
std::vector<std::string> Differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after);

bool StartsWithNoCase(const std::string& text, const std::string& prefix);
