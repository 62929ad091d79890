// The welcome page: a greeting, Next and Cancel.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgIntropage : public CDialog {
public:
    explicit CDlgIntropage(HWND parent = nullptr);

    CShadeButton m_btnCancel;
    CShadeButton m_btnNext;
    CStaticEx m_instruction;
    CStaticEx m_heading;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
    void OnNext();
};
