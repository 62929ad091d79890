; The peer uninstaller of the removal benchmark. The installer only writes
; the uninstaller into the folder given with /D=; the uninstaller that NSIS
; generates removes its whole folder with RMDir /r.
;   makensis -DOUTFILE=<installer.exe> RemoveFolders.nsi
;   <installer.exe> /S /D=<folder>          leaves <folder>\uninst.exe
;   uninst.exe /S _?=<tree>                 removes <tree> in place and waits
Unicode true
Target amd64-unicode
Name "Kelvra removal benchmark"
OutFile "${OUTFILE}"
SilentInstall silent
RequestExecutionLevel user
InstallDir "C:\bench-nsis-uninstaller"

Section
  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninst.exe"
SectionEnd

Section "Uninstall"
  RMDir /r "$INSTDIR"
SectionEnd
