// RAII owners for every kind of handle the program acquires: each is released
// in the scope that acquired it, on every path.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename Traits> class UniqueHandle {
public:
    using Type = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    Type Release() { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) {
        if (IsValid()) Traits::Close(m_h);
        m_h = h;
    }
    // For APIs that return the handle through an out parameter.
    Type* Out() {
        Reset();
        return &m_h;
    }

private:
    Type m_h = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { LocalFree(h); }
};
struct MappedViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};

using CHandle = UniqueHandle<KernelHandleTraits>;
using CFileHandle = UniqueHandle<FileHandleTraits>;
using CFindHandle = UniqueHandle<FindHandleTraits>;
using CRegKey = UniqueHandle<RegKeyTraits>;
using CLibrary = UniqueHandle<LibraryTraits>;
using CGdiObject = UniqueHandle<GdiObjectTraits>;
using CMemoryDC = UniqueHandle<MemoryDcTraits>;
using CLocalMemory = UniqueHandle<LocalMemoryTraits>;
using CMappedView = UniqueHandle<MappedViewTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_hdc) ReleaseDC(m_hwnd, m_hdc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// BeginPaint/EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hdc = BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

// Selects an object into a device context and restores the previous one.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ obj)
        : m_hdc(hdc), m_old(obj ? SelectObject(hdc, obj) : nullptr) {}
    ~CSelectObject() {
        if (m_old) SelectObject(m_hdc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// COM on the calling thread for a scope: balanced only when this object's
// initialisation succeeded (a thread already in COM gets S_FALSE, which is
// balanced too, as COM requires).
class CComInitialize {
public:
    explicit CComInitialize(DWORD flags = COINIT_APARTMENTTHREADED)
        : m_hr(CoInitializeEx(nullptr, flags)) {}
    ~CComInitialize() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    CComInitialize(const CComInitialize&) = delete;
    CComInitialize& operator=(const CComInitialize&) = delete;
    bool Entered() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// A COM interface pointer released on scope exit.
template <typename T> class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Out() {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};
