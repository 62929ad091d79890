#include "uninstall/RemovalScope.h"

CRemovalScope CRemovalScope::ForLog(const CString&) { return CRemovalScope(); }
CRemovalScope::CRemovalScope(CString destination, CStringArray desktops,
                             CStringArray programFolders, CStringArray protectedFolders)
    : m_destination(std::move(destination)), m_desktops(std::move(desktops)),
      m_programFolders(std::move(programFolders)), m_protected(std::move(protectedFolders)) {}
bool CRemovalScope::Allows(const LogLine&) const { return false; }
void CRemovalScope::RefuseOutside(UninstallRecord&) const {}
bool CRemovalScope::IsProtected(const CString&) const { return true; }
CString NormalizePath(const CString&) { return CString(); }
bool IsPathWithin(const CString&, const CString&) { return false; }
