// The copy's side of the self-copy handshake: it acts only on the handles
// the original hands it, in the form the original writes them
// (<process>.<event>.<block>.<self-delete>), and never on a switch typed by
// hand or a handshake that is already over.
#include "uninstall/SelfCopy.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace {

// An original to point at: another process, held suspended for the test.
struct Original {
    Original() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        char line[] = "original --gtest_list_tests";
        if (CreateProcessA(self, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                           nullptr, nullptr, &startup, &info))
            process.Reset(info.hProcess);
        thread.Reset(info.hThread);
    }
    ~Original() {
        if (process) TerminateProcess(process.Get(), 0);
    }
    PROCESS_INFORMATION info{};
    CHandle process;
    CHandle thread;
};

HANDLE Duplicate(HANDLE handle) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

CString Value(HANDLE original, HANDLE done, HANDLE mapping, const char* rest = ".1") {
    CString value;
    value.Format("%llx.%llx.%llx%s",
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(original)),
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(done)),
                 static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(mapping)), rest);
    return value;
}

} // namespace

TEST(SelfCopyHandshake, TheCopyTakesOnlyTheOriginalsOwnHandlesOfAHandshakeStillOpen) {
    Original original;
    ASSERT_TRUE(original.process) << "cannot start a process to stand for the original";
    CHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(CopyShared), nullptr));
    CMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(done && mapping && view);
    auto* block = static_cast<CopyShared*>(view.Get());
    auto genuine = [&] {
        block->magic = kCopySharedMagic;
        block->originalProcessId = original.info.dwProcessId;
        block->exitCode = 1603;
        ResetEvent(done.Get());
    };
    // A process handle of this process (the copy itself).
    CHandle me(Duplicate(GetCurrentProcess()));

    // What a case hands over: copies of the genuine handles, made per case,
    // since the handshake owns what it attaches.
    struct Handed {
        HANDLE process, done, mapping;
    };
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<CString(const Handed&)> value;
        bool attaches;
    };
    auto handedOver = [](const Handed& h) { return Value(h.process, h.done, h.mapping); };
    const Case cases[] = {
        {"the original's own handles", genuine, handedOver, true},
        {"typed by hand", genuine, [](const Handed&) { return CString("1234.5678.9abc.1"); },
         false},
        {"no value", genuine, [](const Handed&) { return CString(); }, false},
        {"a handle of the wrong kind as the process", genuine,
         [](const Handed& h) { return Value(h.done, h.done, h.mapping); }, false},
        {"the copy's own process as the original", genuine,
         [&](const Handed& h) { return Value(me.Get(), h.done, h.mapping); }, false},
        {"an event as the block", genuine,
         [](const Handed& h) { return Value(h.process, h.done, h.done); }, false},
        {"a block without the original's mark",
         [&] {
             genuine();
             block->magic = 0x12345678;
         },
         handedOver, false},
        {"a block naming another process",
         [&] {
             genuine();
             block->originalProcessId = GetCurrentProcessId();
         },
         handedOver, false},
        {"a handshake already reported",
         [&] {
             genuine();
             SetEvent(done.Get());
         },
         handedOver, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        CHandle process(Duplicate(original.process.Get()));
        CHandle event(Duplicate(done.Get()));
        CHandle shared(Duplicate(mapping.Get()));
        CCopyHandshake handshake;
        const bool attached =
            handshake.Attach(c.value(Handed{process.Get(), event.Get(), shared.Get()}));
        EXPECT_EQ(attached, c.attaches);
        if (!attached) continue;
        // Now the handshake's to close.
        process.Release();
        event.Release();
        shared.Release();
        // Reported through the block and the event the original waits on.
        handshake.Report(0);
        EXPECT_EQ(WaitForSingleObject(done.Get(), 0), WAIT_OBJECT_0);
        EXPECT_EQ(block->exitCode, 0);
        EXPECT_FALSE(handshake.OriginalPath().IsEmpty());
    }
}
