// A whole worker run on a small distribution in a test's own folders, with a
// clean registry and the shell folders pointed inside the test folder; the
// fault tests break one thing about it at a time.
#pragma once

#include "framework/WizardProtocol.h"
#include "engine/SetupThread.h"
#include "tests/engine/PageStandIn.h"
#include "tests/engine/RegistrationFixture.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/SetupReports.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct InstallRunFixture : ::testing::Test {
    ScratchRegistry registry;
    TempDir temp;
    std::unique_ptr<PageStandIn> page;
    std::unique_ptr<CSetupThread> worker;
    CString source, destination, desktop, programs;

    // Folders relative to the test folder; each ends in a backslash.
    void Prepare(const char* sourceName = "dist\\", const char* destinationName = "Kelvra\\",
                 const char* desktopName = "Desktop\\") {
        source = temp / sourceName;
        destination = temp / destinationName;
        desktop = temp / desktopName;
        programs = temp / "Programs\\";
        for (const CString& folder : {desktop, programs}) CreateFolders(folder);
        ASSERT_TRUE(SampleDistribution{.itemName = "Item.TXT"}.MakeIn(source));
        PointShellFoldersAt(registry, desktop, programs);
        NewRun();
    }
    // A fresh page and worker, as a second start of the installer.
    void NewRun() {
        worker.reset();
        page = std::make_unique<PageStandIn>();
        worker = std::make_unique<CSetupThread>();
        worker->m_strSourceDir = source;
        worker->m_strInstallDir = destination;
    }
    bool Run(DWORD timeoutMs = 60000) { return page->RunWorker(*worker, timeoutMs); }

    void TearDown() override {
        SetFileAttributesA(destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
    }
};
