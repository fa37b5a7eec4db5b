@echo off
rem Removes the VLR1210 RP1210A driver; other vendors' drivers stay listed
rem in RP121032.INI. Run as an administrator.
"%~dp0vlr1210-setup.exe" uninstall
if errorlevel 1 (
  echo Removal failed.
  exit /b 1
)
exit /b 0
