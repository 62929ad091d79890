// A real holder of a file: a second process that loads it as a module (the
// way acad.exe holds LoadKelvra.arx), for the cases of files in use.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

class ModuleHolder {
public:
    ModuleHolder() = default;
    ~ModuleHolder() { Release(); }
    ModuleHolder(const ModuleHolder&) = delete;
    ModuleHolder& operator=(const ModuleHolder&) = delete;

    // Starts module_holder.exe on library and waits (30 s at most) until it
    // holds it; false, with a test failure saying why, otherwise.
    bool Hold(const CString& library);
    // Lets the library go and waits (30 s at most) until the process ended.
    void Release();

    // A library to put where the product's module lies, for Hold.
    static CString SampleModule();

private:
    CHandle m_process;
    CHandle m_ready;
    CHandle m_release;
};
