// The agreement page: the end-user agreement and the choice to accept it;
// Next is enabled exactly while "同意" is chosen.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgCompactpage : public CDialog {
public:
    explicit CDlgCompactpage(HWND parent = nullptr);

    int m_bAgreed = 0;
    CStaticEx m_heading;
    CShadeButton m_btnCancel;
    CEdit m_agreementText;
    CShadeButton m_btnNext;
    CShadeButton m_btnBack;
    CButton m_disagree;
    CButton m_agree;

    // Puts the agreement text into its read-only field.
    void FillAgreementText();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnButtonClicked(int id) override;
    void OnAgree();
    void OnDisagree();
    void OnBack();
    void OnNext();
};
