@echo off
rem Installs the VLR1210 RP1210A driver for this computer's applications.
rem Run from the folder that holds VLR1210.DLL, VLR1210.INI and
rem vlr1210-setup.exe, as an administrator.
"%~dp0vlr1210-setup.exe" install
if errorlevel 1 (
  echo Installation failed.
  exit /b 1
)
exit /b 0
