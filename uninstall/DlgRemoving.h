// The removal under way: the heading, a status line naming the item in hand
// and a bar over all items. The removal runs on a worker thread so that the
// dialog keeps painting; it has no Cancel and no close box.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/StaticEx.h"
#include "uninstall/RemovalWorker.h"

class CDlgRemoving : public CDialog {
public:
    explicit CDlgRemoving(CRemovalWorker& worker);
    // Waits for the worker, dispatching messages meanwhile.
    ~CDlgRemoving() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter and Escape do nothing while the removal runs.
    void OnOK() override {}
    void OnCancel() override {}
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void ShowStep();
    void WaitForWorker();

    CRemovalWorker& m_worker;
    CStaticEx m_heading;
    CProgressCtrl m_progress;
};
