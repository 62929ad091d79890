// The finish page: offers to open the read-me file and ends the wizard.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgFinishpage : public CDialog {
public:
    explicit CDlgFinishpage(HWND parent = nullptr);

    CString m_strInstallDir;
    CStaticEx m_heading;
    CButton m_readmeOption;
    CShadeButton m_btnFinish;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
    void OnFinish();
};
