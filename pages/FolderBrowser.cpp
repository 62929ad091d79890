#include "pages/FolderBrowser.h"

#include "framework/App.h"
#include "framework/Handles.h"

#include <cstring>

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
    // A string-table entry holds at most 4095 characters.
    char text[4096] = {};
    if (LoadStringA(AfxGetInstanceHandle(), titleId, text, sizeof(text)) <= 0) return false;
    return SetTitle(text);
}

bool CFolderBrowser::SetTitle(const char* title) {
    if (IsOpen() || !title) return false;
    const size_t size = std::strlen(title) + 1;
    auto buffer = std::make_unique<char[]>(size);
    std::memcpy(buffer.get(), title, size);
    m_title = std::move(buffer);
    m_browseInfo.lpszTitle = m_title.get();
    return true;
}

bool CFolderBrowser::SelectFolder() {
    if (IsOpen()) return false; // one browser per object at a time
    CComInitialize com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool chosen = false;
    LPITEMIDLIST item = SHBrowseForFolderA(&m_browseInfo);
    if (item) {
        m_strSelectedFolder.Empty();
        if (SHGetPathFromIDListA(item, m_szPath)) {
            m_strSelectedFolder = m_szPath;
            chosen = true;
        }
        CComPtr<IMalloc> shellAllocator;
        if (SUCCEEDED(SHGetMalloc(shellAllocator.Out()))) shellAllocator->Free(item);
    }
    m_hBrowser = nullptr;
    return chosen;
}

void CFolderBrowser::SetSelection(const char* path) {
    if (IsOpen())
        ::SendMessageA(m_hBrowser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
}

void CFolderBrowser::SetStatusText(const char* text) {
    if (IsOpen())
        ::SendMessageA(m_hBrowser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text));
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
    char path[MAX_PATH] = {};
    if (!item || !SHGetPathFromIDListA(item, path)) path[0] = '\0';
    SetStatusText(path);
}
