// The shell's folder browser (SHBrowseForFolderW) as an object: the browse
// information is set up before the browser opens, and the browser's
// notifications reach the virtual OnInit and OnSelChanged while it is open.
#pragma once

#include "framework/String.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

class CFolderBrowser {
public:
    // The title is loaded from the string table (none when it does not load);
    // the caller sets the flags.
    CFolderBrowser(HWND owner, LPCITEMIDLIST root, UINT titleId);
    virtual ~CFolderBrowser();
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    // The setters change the browse information only while no browser is open.
    void SetOwner(HWND owner);
    void SetRoot(LPCITEMIDLIST root);
    void SetFlags(UINT flags);
    // False, leaving the title as it was, when the id is not positive, the
    // string does not load, or a browser is open.
    bool SetTitle(UINT titleId);
    // False while a browser is open.
    bool SetTitle(const char* title);
    bool SetTitle(const wchar_t* title);

    // Runs the browser modally; true when a folder with a file-system path was
    // chosen whose path code page 936 can hold.
    bool SelectFolder();
    // The chosen folder's path (empty until a folder has been chosen).
    CString GetSelectedFolder() const { return m_strSelectedFolder; }
    // After SelectFolder: a folder was chosen whose path has a character code
    // page 936 lacks ("C:\Users\Søren"); the program cannot name it, so it
    // is not taken. Its path as shown, with "?" for such characters.
    bool WasUnnamableFolderChosen() const { return !m_strUnnamableFolder.IsEmpty(); }
    CString GetUnnamableFolder() const { return m_strUnnamableFolder; }

    // While a browser is open: select a folder (a path) / show a status text.
    void SetSelection(const char* path);
    void SetStatusText(const char* text);
    void SetStatusText(const wchar_t* text);

    const BROWSEINFOW& GetBrowseInfo() const { return m_browseInfo; }
    bool IsOpen() const { return m_hBrowser != nullptr; }

    // The shell calls this for each notification, with the object as its data.
    static int CALLBACK BrowseCallbackProc(HWND browser, UINT msg, LPARAM lp, LPARAM data);

protected:
    virtual void OnInit() {}
    virtual void OnSelChanged(LPITEMIDLIST /*item*/) {}

private:
    std::unique_ptr<wchar_t[]> m_title;
    BROWSEINFOW m_browseInfo{};
    wchar_t m_szPath[MAX_PATH] = {};
    CString m_strSelectedFolder;
    CString m_strUnnamableFolder;
    HWND m_hBrowser = nullptr;
};

// The browser of the destination page: opens on the folder typed in the page
// and shows the selected folder's path in its status line.
class CDestinationBrowser : public CFolderBrowser {
public:
    CDestinationBrowser(HWND owner, UINT titleId) : CFolderBrowser(owner, nullptr, titleId) {}

    void SetInitialSelection(const char* path) { m_strInitial = path; }

    CString m_strInitial;

protected:
    void OnInit() override;
    void OnSelChanged(LPITEMIDLIST item) override;
};
