// The question before anything is removed: remove Kelvra V9.0 and all its
// components? With one option, unticked: remove the user's data files too.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgConfirm : public CDialog {
public:
    CDlgConfirm();

    // In: the option's first state; out: the user ticked "remove the data
    // files" (read when Yes ends the dialog).
    bool m_bRemoveData = false;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    CStaticEx m_heading;
    CButton m_removeData;
    CShadeButton m_btnYes;
    CShadeButton m_btnNo;
};
