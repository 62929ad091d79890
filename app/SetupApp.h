#pragma once

#include "framework/App.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
};
