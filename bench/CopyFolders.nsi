; The peer installer of the copy benchmark: copies the twelve content folders
; that sit beside it ($EXEDIR) into the folder given with /D=, silently.
;   makensis -DOUTFILE=<installer.exe> CopyFolders.nsi
Unicode true
Target amd64-unicode
Name "Kelvra copy benchmark"
OutFile "${OUTFILE}"
SilentInstall silent
RequestExecutionLevel user
InstallDir "C:\bench-nsis"

Section
  CreateDirectory "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\Support" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\Control" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\Database" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\线型库" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\填充图案" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\材料图案" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\图框" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\图例" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\图库" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\图件图库" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\标准断面" "$INSTDIR"
  CopyFiles /SILENT "$EXEDIR\Temp" "$INSTDIR"
SectionEnd
