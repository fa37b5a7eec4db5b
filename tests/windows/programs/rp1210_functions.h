// The eight driver functions as an RP1210A application declares and loads
// them: pointer types spelled the way such applications spell them, found
// with GetProcAddress under their plain names. Nothing here includes the
// driver's own header, so a mismatch between the two shows up as a failed
// look-up or a damaged stack, as it would in a real application.
#pragma once

#include <windows.h>

#include <string>

typedef short(WINAPI* fxRP1210_ClientConnect)(HWND, short, char*, long, long,
                                              short);
typedef short(WINAPI* fxRP1210_ClientDisconnect)(short);
typedef short(WINAPI* fxRP1210_SendMessage)(short, char*, short, short, short);
typedef short(WINAPI* fxRP1210_ReadMessage)(short, char*, short, short);
typedef short(WINAPI* fxRP1210_SendCommand)(short, short, char*, short);
typedef void(WINAPI* fxRP1210_ReadVersion)(char*, char*, char*, char*);
typedef short(WINAPI* fxRP1210_GetErrorMsg)(short, char*);
typedef short(WINAPI* fxRP1210_GetHardwareStatus)(short, char*, short, short);
// The two functions RP1210B/C applications add, as they declare them.
typedef short(WINAPI* fxRP1210_ReadDetailedVersion)(short, char*, char*, char*);
typedef short(WINAPI* fxRP1210_GetLastErrorMsg)(short, int*, char*, short);

struct Rp1210Functions {
  HMODULE module = nullptr;
  fxRP1210_ClientConnect ClientConnect = nullptr;
  fxRP1210_ClientDisconnect ClientDisconnect = nullptr;
  fxRP1210_SendMessage SendMessage = nullptr;
  fxRP1210_ReadMessage ReadMessage = nullptr;
  fxRP1210_SendCommand SendCommand = nullptr;
  fxRP1210_ReadVersion ReadVersion = nullptr;
  fxRP1210_GetErrorMsg GetErrorMsg = nullptr;
  fxRP1210_GetHardwareStatus GetHardwareStatus = nullptr;
  // Null when the DLL lacks them; an RP1210A application does not ask.
  fxRP1210_ReadDetailedVersion ReadDetailedVersion = nullptr;
  fxRP1210_GetLastErrorMsg GetLastErrorMsg = nullptr;
};

// Loads `dllName` with LoadLibraryA and takes all eight functions, and the
// later two where the DLL has them. On
// failure `error` names what is missing and the library is released.
bool LoadRp1210Functions(const char* dllName, Rp1210Functions& out,
                         std::string& error);
