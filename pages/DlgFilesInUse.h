// The destination page's question when programs hold files the installation
// must replace (AutoCAD keeps LoadKelvra.arx loaded): it names them, by
// program where the system knows it, else by file. Retry checks again after
// the user closed them; Ignore goes on and has them replaced at the next
// restart (offered only where that is allowed); Cancel goes back to the
// page. No program is ever closed by force: AutoCAD may hold unsaved work.
#pragma once

#include "engine/InstallCheck.h"
#include "framework/Dialog.h"

class CDlgFilesInUse : public CDialog {
public:
    CDlgFilesInUse(HWND parent, const InstallCheck& check);

    // The question's text for what the check found.
    static CString QuestionText(const InstallCheck& check);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    bool OnButtonClicked(int id) override;

    const InstallCheck& m_check;
};
