#include "pages/FolderBrowser.h"

#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/WideText.h"

#include <cwchar>

CFolderBrowser::CFolderBrowser(HWND owner, LPCITEMIDLIST root, UINT titleId) {
    m_browseInfo.hwndOwner = owner;
    m_browseInfo.pidlRoot = root;
    m_browseInfo.pszDisplayName = m_szPath;
    m_browseInfo.lpfn = &CFolderBrowser::BrowseCallbackProc;
    m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
    SetTitle(titleId);
}

CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::SetOwner(HWND owner) {
    if (!IsOpen()) m_browseInfo.hwndOwner = owner;
}

void CFolderBrowser::SetRoot(LPCITEMIDLIST root) {
    if (!IsOpen()) m_browseInfo.pidlRoot = root;
}

void CFolderBrowser::SetFlags(UINT flags) {
    if (!IsOpen()) m_browseInfo.ulFlags = flags;
}

bool CFolderBrowser::SetTitle(UINT titleId) {
    if (IsOpen() || static_cast<int>(titleId) <= 0) return false;
    const std::wstring text = AfxLoadWideString(titleId);
    if (text.empty()) return false;
    return SetTitle(text.c_str());
}

bool CFolderBrowser::SetTitle(const char* title) {
    if (!title) return false;
    return SetTitle(Wide(CString(title)).c_str());
}

bool CFolderBrowser::SetTitle(const wchar_t* title) {
    if (IsOpen() || !title) return false;
    const size_t size = std::wcslen(title) + 1;
    auto buffer = std::make_unique<wchar_t[]>(size);
    std::wmemcpy(buffer.get(), title, size);
    m_title = std::move(buffer);
    m_browseInfo.lpszTitle = m_title.get();
    return true;
}

bool CFolderBrowser::SelectFolder() {
    if (IsOpen()) return false; // one browser per object at a time
    CComInitialize com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool chosen = false;
    m_strUnnamableFolder.Empty();
    LPITEMIDLIST item = SHBrowseForFolderW(&m_browseInfo);
    if (item) {
        m_strSelectedFolder.Empty();
        if (SHGetPathFromIDListW(item, m_szPath)) {
            chosen = ToNarrow(m_szPath, -1, m_strSelectedFolder);
            if (!chosen) m_strUnnamableFolder = Narrow(m_szPath);
        }
        CComPtr<IMalloc> shellAllocator;
        if (SUCCEEDED(SHGetMalloc(shellAllocator.Out()))) shellAllocator->Free(item);
    }
    m_hBrowser = nullptr;
    return chosen;
}

void CFolderBrowser::SetSelection(const char* path) {
    if (IsOpen())
        ::SendMessageW(m_hBrowser, BFFM_SETSELECTIONW, TRUE,
                       reinterpret_cast<LPARAM>(Wide(CString(path)).c_str()));
}

void CFolderBrowser::SetStatusText(const char* text) { SetStatusText(Wide(CString(text)).c_str()); }

void CFolderBrowser::SetStatusText(const wchar_t* text) {
    if (IsOpen())
        ::SendMessageW(m_hBrowser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

int CALLBACK CFolderBrowser::BrowseCallbackProc(HWND browser, UINT msg, LPARAM lp, LPARAM data) {
    auto* self = reinterpret_cast<CFolderBrowser*>(data);
    if (!self) return 0;
    self->m_hBrowser = browser;
    switch (msg) {
    case BFFM_INITIALIZED:
        self->OnInit();
        break;
    case BFFM_SELCHANGED:
        self->OnSelChanged(reinterpret_cast<LPITEMIDLIST>(lp));
        break;
    default:
        break;
    }
    return 0;
}

void CDestinationBrowser::OnInit() {
    SetSelection(m_strInitial);
    SetStatusText(m_strInitial);
}

void CDestinationBrowser::OnSelChanged(LPITEMIDLIST item) {
    // Shown as the shell names it, whatever code page 936 can hold.
    wchar_t path[MAX_PATH] = {};
    if (!item || !SHGetPathFromIDListW(item, path)) path[0] = L'\0';
    SetStatusText(path);
}
