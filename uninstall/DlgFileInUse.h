// A file the removal cannot delete because a program holds it open: Retry
// (after closing that program) or Ignore. There is no way to stop the
// removal here: half a product is worse than either end.
#pragma once

#include "framework/Dialog.h"
#include "ui/ShadeButton.h"

class CDlgFileInUse : public CDialog {
public:
    CDlgFileInUse(HWND parent, const CString& path);

    // True for Retry, false for Ignore.
    bool Ask() { return DoModal() == IDRETRY; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    // Escape and Alt+F4 ignore the file.
    void OnCancel() override { EndDialog(IDIGNORE); }
    bool OnButtonClicked(int id) override;

    CString m_path;
    CShadeButton m_btnRetry;
    CShadeButton m_btnIgnore;
};
