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
    // In: whether this run opens the read-me itself (a run that hands it
    // back to the user's own run, or SYSTEM's, does not).
    bool m_bOpenReadme = true;
    // Out: the option was ticked when Finish was clicked.
    bool m_bReadmeChosen = false;
    CStaticEx m_heading;
    CButton m_readmeOption;
    CShadeButton m_btnFinish;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
    void OnFinish();
};

// Opens readme.txt of the installation in installDir in the program
// associated with text files, maximised, without waiting; nothing when the
// file is not there.
void OpenReadme(CString installDir);
