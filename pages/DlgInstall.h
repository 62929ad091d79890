// The copying page: counts what is to be copied, starts the install worker
// and follows its progress until it reports success or failure.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgInstall : public CDialog {
public:
    explicit CDlgInstall(HWND parent = nullptr);

    CString m_strSourceDir;
    CString m_strInstallDir;
    CStatic m_configuringText;
    CButton m_copyFrame;
    CShadeButton m_btnCancel;
    CStaticEx m_heading;
    CProgressCtrl m_progress;
    CShadeButton m_btnNext;
    CShadeButton m_btnBack;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
};
