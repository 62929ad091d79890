#include "framework/WizardProtocol.h"
#include "pages/AgreementText.h"
#include "pages/DlgCompactpage.h"
#include "res/resource.h"
#include "tests/pages/PageHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// What the user sees of the choice.
struct Choice {
    int agree;
    int disagree;
    bool nextEnabled;
    friend bool operator==(const Choice& a, const Choice& b) {
        return a.agree == b.agree && a.disagree == b.disagree && a.nextEnabled == b.nextEnabled;
    }
    friend std::ostream& operator<<(std::ostream& out, const Choice& c) {
        return out << "{agree " << c.agree << ", disagree " << c.disagree << ", Next "
                   << (c.nextEnabled ? "enabled" : "disabled") << "}";
    }
};

const Choice kAgreed{BST_CHECKED, BST_UNCHECKED, true};
const Choice kDisagreed{BST_UNCHECKED, BST_CHECKED, false};

Choice ReadChoice(DialogDriver& d, HWND page) {
    return {d.GetCheck(page, IDC_AGREE), d.GetCheck(page, IDC_DISAGREE),
            d.IsEnabled(page, IDC_NEXT)};
}

INT_PTR RunAgreement(CDlgCompactpage& page, const PageScript& script) {
    return RunPage(page, IDC_AGREE, script);
}

} // namespace

TEST(AgreementPageTest, FirstVisitIsDisagreedWithTheAgreementShownReadOnly) {
    PageHost host;
    CDlgCompactpage page(host.Get());
    Choice choice{};
    CString text;
    DWORD fieldStyle = 0;
    EXPECT_EQ(RunAgreement(page,
                           [&](DialogDriver& d, HWND p) {
                               choice = ReadChoice(d, p);
                               text = d.GetText(p, IDC_AGREEMENT_TEXT);
                               fieldStyle = static_cast<DWORD>(
                                   GetWindowLongPtrA(GetDlgItem(p, IDC_AGREEMENT_TEXT), GWL_STYLE));
                               d.Click(p, IDCANCEL);
                           }),
              IDCANCEL);
    EXPECT_EQ(choice, kDisagreed);
    EXPECT_EQ(text, CString(kAgreementText));
    EXPECT_TRUE(fieldStyle & ES_READONLY);
    EXPECT_TRUE(fieldStyle & ES_MULTILINE);
    EXPECT_EQ(page.m_bAgreed, 0);
}

TEST(AgreementPageTest, ClicksKeepExactlyOneChoiceAndNextFollowsIt) {
    PageHost host;
    CDlgCompactpage page(host.Get());
    std::vector<Choice> seen;
    EXPECT_EQ(RunAgreement(
                  page,
                  [&](DialogDriver& d, HWND p) {
                      // Clicks on the checked choice too: the page's handlers
                      // keep exactly one checked and Next in step either way.
                      for (int id : {IDC_AGREE, IDC_AGREE, IDC_DISAGREE, IDC_DISAGREE, IDC_AGREE}) {
                          d.Click(p, id);
                          seen.push_back(ReadChoice(d, p));
                      }
                      d.Click(p, IDC_NEXT);
                  }),
              ID_WIZ_NEXT);
    EXPECT_EQ(seen, (std::vector<Choice>{kAgreed, kAgreed, kDisagreed, kDisagreed, kAgreed}));
    EXPECT_EQ(page.m_bAgreed, 1);

    // Disagreeing and leaving hands 0 back.
    EXPECT_EQ(RunAgreement(page,
                           [&](DialogDriver& d, HWND p) {
                               d.Click(p, IDC_DISAGREE);
                               d.Click(p, IDC_BACK);
                           }),
              ID_WIZ_BACK);
    EXPECT_EQ(page.m_bAgreed, 0);
}

TEST(AgreementPageTest, ChoiceIsRestoredFromTheMemberOnEveryVisit) {
    PageHost host;
    CDlgCompactpage page(host.Get());
    Choice choice{};
    auto readAndLeave = [&](int buttonBefore, int leaveWith) {
        return [&, buttonBefore, leaveWith](DialogDriver& d, HWND p) {
            choice = ReadChoice(d, p);
            if (buttonBefore) d.Click(p, buttonBefore);
            d.Click(p, leaveWith);
        };
    };

    page.m_bAgreed = 1; // as the host copies it in
    EXPECT_EQ(RunAgreement(page, readAndLeave(0, IDC_BACK)), ID_WIZ_BACK);
    EXPECT_EQ(choice, kAgreed);
    EXPECT_EQ(page.m_bAgreed, 1);

    // Agreed, Back, and the next visit opens agreed again.
    EXPECT_EQ(RunAgreement(page, readAndLeave(IDC_DISAGREE, IDCANCEL)), IDCANCEL);
    EXPECT_EQ(choice, kAgreed);
    EXPECT_EQ(page.m_bAgreed, 0);

    EXPECT_EQ(RunAgreement(page, readAndLeave(IDC_AGREE, IDCANCEL)), IDCANCEL);
    EXPECT_EQ(choice, kDisagreed);
    // Cancel keeps the choice made before it (the host shows the page again on No).
    EXPECT_EQ(page.m_bAgreed, 1);
    EXPECT_EQ(RunAgreement(page, readAndLeave(0, IDCANCEL)), IDCANCEL);
    EXPECT_EQ(choice, kAgreed);

    page.m_bAgreed = 0;
    EXPECT_EQ(RunAgreement(page, readAndLeave(0, IDCANCEL)), IDCANCEL);
    EXPECT_EQ(choice, kDisagreed);
}
