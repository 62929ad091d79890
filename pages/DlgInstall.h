// The copying page: counts what is to be copied, starts the install worker
// and follows its progress until it reports success or failure.
#pragma once

#include "engine/SetupThread.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/ShadeButton.h"
#include "ui/StaticEx.h"

class CDlgInstall : public CDialog {
public:
    explicit CDlgInstall(HWND parent = nullptr);
    // Waits for the worker's thread, dispatching messages meanwhile: the
    // worker object lives inside this one.
    ~CDlgInstall() override;

    // The files below folder (its sub-folders' files too when recursive).
    static int CountFiles(CString folder, BOOL recursive);
    // The files of the content folders of the distribution folder.
    int CountContentFiles() const;

    CString m_strSourceDir;
    CString m_strInstallDir;
    CStatic m_configuringText;
    CButton m_copyFrame;
    CShadeButton m_btnCancel;
    CStaticEx m_heading;
    CProgressCtrl m_progress;
    CShadeButton m_btnNext;
    CShadeButton m_btnBack;
    CSetupThread m_worker;
    // How often the status line and the bar follow the copy, in
    // milliseconds; 0 shows every entry as the worker reports it.
    UINT m_nProgressIntervalMs = 50;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnButtonClicked(int id) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    LRESULT OnSetupProgress(WPARAM wp, LPARAM lp);
    LRESULT OnSetupConfiguring();
    LRESULT OnSetupDone();
    LRESULT OnSetupFailed();

    // The bar's range for total files, with spare steps for the sub-folders.
    void SetProgressTotal(int total);

private:
    void StartWorker();
    void WaitForWorker();
    // Shows the worker's latest entry and its count on the status line and
    // the bar; false (and the worker's reports no longer held) when there
    // is nothing new.
    bool ShowCopyProgress();
    void OnProgressTimer();

    // The destination folder lower-cased, to find it in the worker's
    // (lower-cased) file paths.
    CString m_strInstallDirLower;
    // Set once the copy is over: a cancel can no longer stop the run.
    bool m_bConfiguring = false;
    // Set once the worker's final message has arrived.
    bool m_bFinished = false;
    // What the status line and the bar show.
    CSetupThread::CopyProgress m_shownProgress;
};
