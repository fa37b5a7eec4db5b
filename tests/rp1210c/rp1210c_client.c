/* An application written to the RP1210C prototypes, as such applications
 * are: the ten functions declared here (not taken from the driver's
 * header), looked up by name at run time, called through pointers of the
 * standard calling convention on 32-bit Windows (RP1210C_CALL, set by the
 * build). It does what such an application does right after loading the
 * driver and prints each step; the exit status is 0 only when every step
 * gave what the driver documents.
 *
 *   rp1210c_client DRIVER DEVICE      e.g. libvlr1210.so 201, VLR1210.DLL 201
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "driver_loader.h"

#ifndef RP1210C_CALL
#error "RP1210C_CALL must name the calling convention (empty on Linux)"
#endif

/* HWND: a pointer on every system; the client has no window. */
typedef void* WindowHandle;

typedef short(RP1210C_CALL* fxRP1210_ClientConnect)(WindowHandle, short, char*,
                                                    long, long, short);
typedef short(RP1210C_CALL* fxRP1210_ClientDisconnect)(short);
typedef short(RP1210C_CALL* fxRP1210_SendMessage)(short, char*, short, short,
                                                  short);
typedef short(RP1210C_CALL* fxRP1210_ReadMessage)(short, char*, short, short);
typedef short(RP1210C_CALL* fxRP1210_SendCommand)(short, short, char*, short);
typedef void(RP1210C_CALL* fxRP1210_ReadVersion)(char*, char*, char*, char*);
typedef short(RP1210C_CALL* fxRP1210_ReadDetailedVersion)(short, char*, char*,
                                                          char*);
typedef short(RP1210C_CALL* fxRP1210_GetHardwareStatus)(short, char*, short,
                                                        short);
typedef short(RP1210C_CALL* fxRP1210_GetErrorMsg)(short, char*);
typedef short(RP1210C_CALL* fxRP1210_GetLastErrorMsg)(short, int*, char*,
                                                      short);

#define ERR_INVALID_CLIENT_ID 129
#define ERR_CODE_NOT_FOUND 154
#define ERR_COMMAND_NOT_SUPPORTED 143
#define Set_All_Filters_States_to_Pass 3
#define Set_J1939_Baud 37
#define Flush_Tx_Rx_Buffers 39
#define Get_Protocol_Connection_Speed 45
#define BAUD_250k 0x05
#define BAUD_500k 0x06

static struct {
  fxRP1210_ClientConnect ClientConnect;
  fxRP1210_ClientDisconnect ClientDisconnect;
  fxRP1210_SendMessage SendMessage;
  fxRP1210_ReadMessage ReadMessage;
  fxRP1210_SendCommand SendCommand;
  fxRP1210_ReadVersion ReadVersion;
  fxRP1210_ReadDetailedVersion ReadDetailedVersion;
  fxRP1210_GetHardwareStatus GetHardwareStatus;
  fxRP1210_GetErrorMsg GetErrorMsg;
  fxRP1210_GetLastErrorMsg GetLastErrorMsg;
} rp;

static int failures = 0;

static void Check(int ok, const char* step, long result) {
  printf("%-44s %6ld  %s\n", step, result, ok ? "ok" : "FAILED");
  if (!ok) ++failures;
}

/* Takes one function; a client library refuses a driver that lacks any. */
static int Take(void* driver, const char* name, AnyFunction* out) {
  *out = DriverFunction(driver, name);
  if (*out == NULL) fprintf(stderr, "missing %s\n", name);
  return *out != NULL;
}

static int LoadAll(const char* name) {
  void* driver = LoadDriver(name);
  int ok = driver != NULL;
  if (!ok) {
    fprintf(stderr, "cannot load %s\n", name);
    return 0;
  }
  ok &= Take(driver, "RP1210_ClientConnect", (AnyFunction*)&rp.ClientConnect);
  ok &= Take(driver, "RP1210_ClientDisconnect",
             (AnyFunction*)&rp.ClientDisconnect);
  ok &= Take(driver, "RP1210_SendMessage", (AnyFunction*)&rp.SendMessage);
  ok &= Take(driver, "RP1210_ReadMessage", (AnyFunction*)&rp.ReadMessage);
  ok &= Take(driver, "RP1210_SendCommand", (AnyFunction*)&rp.SendCommand);
  ok &= Take(driver, "RP1210_ReadVersion", (AnyFunction*)&rp.ReadVersion);
  ok &= Take(driver, "RP1210_ReadDetailedVersion",
             (AnyFunction*)&rp.ReadDetailedVersion);
  ok &= Take(driver, "RP1210_GetHardwareStatus",
             (AnyFunction*)&rp.GetHardwareStatus);
  ok &= Take(driver, "RP1210_GetErrorMsg", (AnyFunction*)&rp.GetErrorMsg);
  ok &=
      Take(driver, "RP1210_GetLastErrorMsg", (AnyFunction*)&rp.GetLastErrorMsg);
  return ok;
}

static int IsText(const char* text, size_t size) {
  return memchr(text, '\0', size) != NULL && text[0] != '\0';
}

static void Versions(short client) {
  char major[17] = "", minor[17] = "", apiMajor[17] = "", apiMinor[17] = "";
  char api[17], dll[17], firmware[17], expected[40];
  short result;
  rp.ReadVersion(major, minor, apiMajor, apiMinor);
  printf("ReadVersion: %s.%s, API %s.%s\n", major, minor, apiMajor, apiMinor);
  memset(api, 'x', sizeof api);
  memset(dll, 'x', sizeof dll);
  memset(firmware, 'x', sizeof firmware);
  result = rp.ReadDetailedVersion(client, api, dll, firmware);
  Check(
      result == 0 && IsText(api, 17) && IsText(dll, 17) && IsText(firmware, 17),
      "ReadDetailedVersion", result);
  if (result != 0) return;
  printf("ReadDetailedVersion: API %s, DLL %s, firmware %s\n", api, dll,
         firmware);
  snprintf(expected, sizeof expected, "%s.%s", major, minor);
  Check(strcmp(dll, expected) == 0, "DLL version as ReadVersion's", 0);
}

static void ErrorTexts(short client) {
  char description[80];
  int sub = 0;
  short result = rp.GetLastErrorMsg(136, &sub, description, client);
  Check(result == 0 && strcmp(description, "ERR_INVALID_PROTOCOL") == 0 &&
            sub == -1,
        "GetLastErrorMsg 136", result);
  result = rp.GetLastErrorMsg(9999, &sub, description, client);
  Check(result == ERR_CODE_NOT_FOUND &&
            strcmp(description, "ERR_CODE_NOT_FOUND") == 0,
        "GetLastErrorMsg 9999", result);
}

static void Commands(short client) {
  char speed[17];
  char rate[2] = {0, BAUD_250k};
  char description[80] = "";
  short result;
  memset(speed, 'x', sizeof speed);
  result = rp.SendCommand(Get_Protocol_Connection_Speed, client, speed,
                          (short)sizeof speed);
  Check(result == 0 && strcmp(speed, "250000") == 0,
        "45 Get_Protocol_Connection_Speed", result);
  if (result == 0) printf("connection speed: %s\n", speed);
  result = rp.SendCommand(Set_J1939_Baud, client, rate, 2);
  Check(result == 0, "37 Set_J1939_Baud 250k", result);
  rate[1] = BAUD_500k;
  result = rp.SendCommand(Set_J1939_Baud, client, rate, 2);
  rp.GetErrorMsg(result, description);
  printf("37 at 500k: %s\n", description);
  Check(result == ERR_COMMAND_NOT_SUPPORTED, "37 Set_J1939_Baud 500k", result);
  result = rp.SendCommand(Flush_Tx_Rx_Buffers, client, NULL, 0);
  Check(result == 0, "39 Flush_Tx_Rx_Buffers", result);
}

/* Reads until `wanted` messages arrived, or gives up after about 20 s. */
static int ReadTraffic(short client, int wanted) {
  char message[600];
  int count = 0;
  int waited = 0;
  while (count < wanted && waited < 20000) {
    short n = rp.ReadMessage(client, message, (short)sizeof message, 0);
    if (n >= 10) {
      unsigned pgn = (unsigned char)message[4] |
                     (unsigned char)message[5] << 8 |
                     (unsigned)(unsigned char)message[6] << 16;
      printf("message %d: PGN %05X, %d bytes\n", ++count, pgn, n);
    } else if (n < 0) {
      return count;
    } else {
      PauseMs(10);
      waited += 10;
    }
  }
  return count;
}

static void Traffic(short client) {
  char status[16];
  /* A request for the engine hours (PGN 0xFEE5) from the service tool. */
  char request[] = {0x00,       (char)0xEA, 0x00,       6,   (char)0xF9,
                    (char)0xFF, (char)0xE5, (char)0xFE, 0x00};
  short result =
      rp.SendCommand(Set_All_Filters_States_to_Pass, client, NULL, 0);
  Check(result == 0, "3 Set_All_Filters_States_to_Pass", result);
  Check(ReadTraffic(client, 5) == 5, "read 5 messages", 5);
  result = rp.SendMessage(client, request, (short)sizeof request, 0, 0);
  Check(result == 0, "SendMessage request", result);
  result = rp.GetHardwareStatus(client, status, (short)sizeof status, 0);
  Check(result == 0, "GetHardwareStatus", result);
}

int main(int argc, char** argv) {
  char protocol[] = "J1939:Baud=Auto";
  char api[17], dll[17], firmware[17];
  short client;
  short result;
  if (argc != 3) {
    fprintf(stderr, "usage: rp1210c_client DRIVER DEVICE\n");
    return 2;
  }
  if (!LoadAll(argv[1])) return 2;
  result = rp.ReadDetailedVersion(0, api, dll, firmware);
  Check(result == ERR_INVALID_CLIENT_ID, "ReadDetailedVersion, no client",
        result);
  client = rp.ClientConnect(NULL, (short)atoi(argv[2]), protocol, 0, 0, 0);
  Check(client >= 0 && client < 128, "ClientConnect J1939:Baud=Auto", client);
  if (client < 0 || client >= 128) return 1;
  Traffic(client);
  Versions(client);
  ErrorTexts(client);
  Commands(client);
  result = rp.ClientDisconnect(client);
  Check(result == 0, "ClientDisconnect", result);
  printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
