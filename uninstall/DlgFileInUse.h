// A file the removal cannot delete because a program holds it open, named
// with the programs that hold it: Retry (after closing them) or Ignore. There is no way to stop the
// removal here: half a product is worse than either end.
#pragma once

#include "framework/Dialog.h"
#include "ui/ShadeButton.h"

class CDlgFileInUse : public CDialog {
public:
    // programs: who holds it, for the text ("未知程序" when nobody is known).
    CDlgFileInUse(HWND parent, const CString& path, const CString& programs);

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
    CString m_programs;
    CShadeButton m_btnRetry;
    CShadeButton m_btnIgnore;
};
