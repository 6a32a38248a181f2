; The NSIS reference for bench/install_bench.sh: installs the same file into
; the same folder with the same registry values and shortcuts as a silent
; run of our setup, uncompressed and without a CRC pass, so that both sides
; do the same work.
;   makensis -DSCR_FILE=/path/BenchSav.scr -DOUT_FILE=/path/nsis_setup.exe install_bench.nsi
Unicode false
SetCompress off
CRCCheck off
RequestExecutionLevel highest
Name "Bench Saver"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Bench Saver"
SilentInstall silent

Section
  SetOutPath "$INSTDIR"
  File "/oname=BenchSav.scr" "${SCR_FILE}"
  WriteUninstaller "$INSTDIR\uninstall BenchSav.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bench Saver" "DisplayName" "Bench Saver"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bench Saver" "UninstallString" '"$INSTDIR\uninstall BenchSav.exe"'
  WriteRegStr HKCU "Software\Quorvane\Bench Saver" "FileName_" "$INSTDIR\BenchSav.scr"
  CreateDirectory "$SMPROGRAMS\Bench Saver"
  CreateShortCut "$SMPROGRAMS\Bench Saver\Preview Bench Saver.lnk" "$INSTDIR\BenchSav.scr" "" "$INSTDIR\BenchSav.scr" 0
  CreateShortCut "$SMPROGRAMS\Bench Saver\Uninstall Bench Saver.lnk" "$INSTDIR\uninstall BenchSav.exe" "" "$INSTDIR\uninstall BenchSav.exe" 0
  CreateShortCut "$DESKTOP\Preview Bench Saver.lnk" "$INSTDIR\BenchSav.scr" "" "$INSTDIR\BenchSav.scr" 0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\BenchSav.scr"
  Delete "$INSTDIR\uninstall BenchSav.exe"
  RMDir "$INSTDIR"
SectionEnd
