// What the removal tests put in place of the uninstaller's surroundings: the
// observer its progress dialog or a silent run would be, and the boot-time
// rename list put back after a test.
#pragma once

#include "tests/support/FileAsItIs.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "uninstall/ProductRemoval.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

// Checks that the steps count up to the total; answers "in use" as the test
// says (Ignore when it says nothing), counting each question; runs the
// test's hook before each open (where a swap for a link would aim). One per
// run: the steps start again from 1.
class StandInObserver : public IRemovalObserver {
public:
    void OnStep(const CString& status, int step, int total) override {
        EXPECT_FALSE(status.IsEmpty());
        EXPECT_EQ(lastStep + 1, step);
        EXPECT_LE(step, total);
        lastStep = step;
        lastTotal = total;
    }
    bool RetryInUse(const CString& path, DWORD) override {
        ++inUseQuestions[path.str()];
        return answer ? answer(path) : false;
    }
    void BeforeOpen(const CString& path) override {
        if (beforeOpen) beforeOpen(path);
    }

    int lastStep = 0;
    int lastTotal = 0;
    std::map<std::string, int> inUseQuestions;
    std::function<bool(const CString&)> answer;
    std::function<void(const CString&)> beforeOpen;
};

// The boot-time rename list lives in the real machine hive (Windows and
// Wine write it below any redirection): saved and put back around a test
// that leaves a file for removal at restart.
class PendingRenamesGuard {
public:
    PendingRenamesGuard() { m_had = Read(m_bytes); }
    ~PendingRenamesGuard() {
        CRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, key.Out()) != ERROR_SUCCESS)
            return;
        if (m_had)
            RegSetValueExW(key.Get(), kValue, 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(m_bytes.data()),
                           static_cast<DWORD>(m_bytes.size()));
        else
            RegDeleteValueW(key.Get(), kValue);
    }
    PendingRenamesGuard(const PendingRenamesGuard&) = delete;
    PendingRenamesGuard& operator=(const PendingRenamesGuard&) = delete;

    // True when the list now names path (the case aside).
    static bool Lists(const CString& path) {
        std::string bytes;
        if (!Read(bytes)) return false;
        std::wstring list(reinterpret_cast<const wchar_t*>(bytes.data()),
                          bytes.size() / sizeof(wchar_t));
        std::wstring wanted = Wide(path);
        CharLowerBuffW(&list[0], static_cast<DWORD>(list.size()));
        CharLowerBuffW(&wanted[0], static_cast<DWORD>(wanted.size()));
        return !wanted.empty() && list.find(wanted) != std::wstring::npos;
    }

private:
    static bool Read(std::string& bytes) {
        CRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        if (RegQueryValueExW(key.Get(), kValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return false;
        bytes.resize(size);
        return RegQueryValueExW(key.Get(), kValue, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&bytes[0]), &size) == ERROR_SUCCESS;
    }
    static constexpr const wchar_t* kKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    static constexpr const wchar_t* kValue = L"PendingFileRenameOperations";
    bool m_had = false;
    std::string m_bytes;
};
