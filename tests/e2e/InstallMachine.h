// The machine state an end-to-end scenario starts from and looks at: the
// installer runs as its own process against the prefix's real registry, so
// each scenario clears the keys an installation writes, registers the
// simulated AutoCAD releases afresh, points the user's shell folders at its
// own temp folders, and puts everything back when it ends.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class CInstallMachine {
public:
    // desktop and programs: the shell folders the installer is to use.
    CInstallMachine(const CString& desktop, const CString& programs);
    ~CInstallMachine();
    CInstallMachine(const CInstallMachine&) = delete;
    CInstallMachine& operator=(const CInstallMachine&) = delete;

    // Back to the machine a scenario starts from: no installation keys, the
    // simulated hosts registered afresh, destination (ending in "\") gone
    // with its hidden and read-only files.
    static void Reset(const CString& destination);
    // Removes every key an installation writes (and the simulated hosts).
    static void ClearInstallationKeys();
    // The simulated AutoCAD 2010 (R18.0) and AutoCAD 2014 (R19.1).
    static void RegisterSimulatedAcad();
    // The folder the simulated release's "AcadLocation" names (ends in "\").
    static CString SimulatedAcadFolder(const char* release);

private:
    struct SavedValue {
        CString key;
        CString name;
        bool existed = false;
        DWORD type = REG_SZ;
        std::string data;
    };
    std::vector<SavedValue> m_saved;
};

// Registry reads for the checks. Read* return false when the value is missing.
bool ReadString(HKEY root, const char* key, const char* name, CString& value);
bool ReadDword(HKEY root, const char* key, const char* name, DWORD& value);
bool KeyExists(HKEY root, const char* key);
bool WriteString(HKEY root, const char* key, const char* name, const char* value);
