; The Windows installer: the VST3 and CLAP plug-ins into the common folders
; every host scans, the VST 2.4 plug-in into a folder the user picks, and
; orvhost with the documents and the uninstaller in the product's folder.
; makensis -DVERSION=x.y.z -DSTAGE=<staging folder> -DOUTFILE=<setup.exe>
; A 64-bit installer: it runs where the plug-ins do, and sees the 64-bit folders and registry.
Target amd64-unicode
SetCompressor /SOLID lzma
!include MUI2.nsh
!include x64.nsh
!include LogicLib.nsh

!define PRODUCT "Velmar processor"
!define VENDOR "ORV Works"
!define FILE_NAME "orvq41x"
!define PRODUCT_KEY "Software\${VENDOR}\${FILE_NAME}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${FILE_NAME}"
!define PRODUCT_FOLDER "$PROGRAMFILES64\${VENDOR}\${PRODUCT}"
!define DEFAULT_VST2_FOLDER "$PROGRAMFILES64\VSTPlugins"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${DEFAULT_VST2_FOLDER}"
RequestExecutionLevel admin
BrandingText "${VENDOR}"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_HEADER_TEXT "VST 2.4 plug-in folder"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder your hosts scan for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2.4 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} needs a 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  ; Installed before: the VST 2.4 folder chosen then, unless /D= names another.
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "Vst2Folder"
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "${DEFAULT_VST2_FOLDER}"
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "-Product folder"
  SetOutPath "${PRODUCT_FOLDER}"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE"
  File "${STAGE}\THIRD-PARTY-NOTICES"
  File "${STAGE}\CHANGELOG.md"
  WriteUninstaller "${PRODUCT_FOLDER}\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (${FILE_NAME})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${PRODUCT_FOLDER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${PRODUCT_FOLDER}\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${PRODUCT_FOLDER}\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
SectionEnd

Section "VST3 plug-in" SecVst3
  SetOutPath "$COMMONFILES64\VST3\${FILE_NAME}.vst3\Contents\x86_64-win"
  File "${STAGE}\${FILE_NAME}.vst3\Contents\x86_64-win\${FILE_NAME}.vst3"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "Vst3" 1
SectionEnd

Section "CLAP plug-in" SecClap
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}\${FILE_NAME}.clap"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "Clap" 1
SectionEnd

Section "VST 2.4 plug-in" SecVst2
  ; Installed before into another folder: the plug-in moves to the new one.
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "Vst2Folder"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Delete "$0\${FILE_NAME}_x64.dll"
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${STAGE}\${FILE_NAME}_x64.dll"
  WriteRegStr HKLM "${PRODUCT_KEY}" "Vst2Folder" "$INSTDIR"
SectionEnd

Section "orvhost, the command-line host" SecOrvhost
  SetOutPath "${PRODUCT_FOLDER}"
  File "${STAGE}\orvhost.exe"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "Orvhost" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst3} "The VST3 plug-in, in the common VST3 folder."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecClap} "The CLAP plug-in, in the common CLAP folder."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVst2} "The VST 2.4 plug-in (orvq41x_x64.dll), in the folder of the next page."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecOrvhost} "orvhost.exe, a command-line VST 2.4 host, in the product's folder."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
FunctionEnd

; Removes what the installer put there and nothing else: files by name,
; folders only when they are left empty.
Section "Uninstall"
  ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "Vst3"
  ${If} $0 == 1
    Delete "$COMMONFILES64\VST3\${FILE_NAME}.vst3\Contents\x86_64-win\${FILE_NAME}.vst3"
    RMDir "$COMMONFILES64\VST3\${FILE_NAME}.vst3\Contents\x86_64-win"
    RMDir "$COMMONFILES64\VST3\${FILE_NAME}.vst3\Contents"
    RMDir "$COMMONFILES64\VST3\${FILE_NAME}.vst3"
  ${EndIf}
  ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "Clap"
  ${If} $0 == 1
    Delete "$COMMONFILES64\CLAP\${FILE_NAME}.clap"
  ${EndIf}
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "Vst2Folder"
  ${If} $0 != ""
    Delete "$0\${FILE_NAME}_x64.dll"
  ${EndIf}
  Delete "$INSTDIR\orvhost.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES"
  Delete "$INSTDIR\CHANGELOG.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${VENDOR}"
SectionEnd
