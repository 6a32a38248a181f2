; The NSIS reference for the wizard start-up time in bench/install_bench.sh:
; the modern wizard (MUI2) with the pages a published screensaver's setup
; shows: licence, directory, install, finish.
;   makensis -DSCR_FILE=/path/small.scr -DLICENSE_FILE=/path/license.txt -DOUT_FILE=/path/nsis_wizard.exe wizard_bench.nsi
Unicode false
SetCompress off
CRCCheck off
RequestExecutionLevel highest
!include "MUI2.nsh"
Name "Bench Saver"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\Bench Saver"

!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

Section
  SetOutPath "$INSTDIR"
  File "/oname=BenchSav.scr" "${SCR_FILE}"
SectionEnd
