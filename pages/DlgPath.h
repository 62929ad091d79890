// The destination page: the folder to install into, typed or browsed for.
#pragma once

#include "engine/DistributionCheck.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgPath : public CDialog {
public:
    explicit CDlgPath(HWND parent = nullptr);

    CString m_strInstallDir;
    // The distribution folder, weighed against the destination on Next;
    // empty: nothing is weighed.
    CString m_strSourceDir;
    // Set on Next when files in use are to be replaced at the next restart.
    bool m_bReplaceInUseAtRestart = false;
    // Set on Next: what the copy of a bound distribution checks (null: none).
    std::shared_ptr<const CopyCheck> m_copyCheck;
    CShadeButton m_btnCancel;
    CStaticEx m_heading;
    CEdit m_pathEdit;
    CShadeButton m_btnNext;
    CButton m_btnBrowse;
    CShadeButton m_btnBack;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
    void OnBrowse();
    void OnNext();
    void OnBack();
};
