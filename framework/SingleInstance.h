// One running copy of a product's programs at a time: a named mutex that
// every one of them creates, held until the object goes.
#pragma once

#include "framework/Handles.h"

class CSingleInstance {
public:
    // Creates (or opens) the mutex. A program started while another holds it
    // finds it already there; one that may not even open it (made by the
    // SYSTEM account, say, in a deployment) counts it as running too.
    explicit CSingleInstance(const char* mutexName);

    // True when no other program of the product was running.
    bool IsFirst() const { return m_first; }

private:
    CHandle m_mutex;
    bool m_first = false;
};
