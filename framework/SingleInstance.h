// One running copy of a product's programs at a time: a named mutex that
// every one of them creates, held until the object goes.
//
// Where the name lives decides who can squat it (create it first and make
// every run answer "already running"). An administrator's run (elevated, or
// SYSTEM in a deployment) puts it in a private namespace whose boundary holds
// the Administrators group: only a process holding that group can create or
// open the namespace, so no ordinary user's process can hold the name. Any
// other run uses its session's Local namespace, which other users' sessions
// cannot reach.
#pragma once

#include "framework/Handles.h"

#include <string>

// The private namespace of the administrators' lock, and its boundary's name.
extern const wchar_t kInstanceNamespace[];
extern const wchar_t kInstanceBoundary[];

class CSingleInstance {
public:
    // Creates (or opens) the mutex name (a bare name, no "Global\" or
    // "Local\"), where the running token's kind puts it. A program started
    // while another holds it finds it already there; one that may not even
    // open it counts it as running too.
    explicit CSingleInstance(const char* name);
    // The same with the token's kind given (tests supply it).
    CSingleInstance(const char* name, bool administrator);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True when no other program of the product was running.
    bool IsFirst() const { return m_first; }

private:
    void CreateInAdministratorsNamespace(const std::wstring& name);
    void CreateMutexNamed(const std::wstring& fullName, SECURITY_ATTRIBUTES* attributes);

    HANDLE m_boundary = nullptr;
    HANDLE m_namespace = nullptr;
    CHandle m_mutex;
    bool m_first = false;
};
