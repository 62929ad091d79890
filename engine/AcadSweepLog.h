// The configuration sweep's account in the run's log: each AutoCAD release,
// with the registry view it was found in, configured or skipped and why.
#pragma once

#include "host_cad/ReleaseSweep.h"

class CAcadSweepLog : public IReleaseSweepReport {
public:
    void Configured(const AcadRelease& release, const char* view, const CString& hostFolder,
                    bool trustedPathsLeft) override;
    void Skipped(const AcadRelease& release) override;
};
