/* vlr1210 - RP1210A driver for Volra serial vehicle datalink adapters.
 *
 * The public interface: what an application includes to call the driver.
 * On 32-bit Windows the functions use the standard calling convention and
 * are exported by their plain names from VLR1210.DLL; on Linux they are the
 * C symbols of libvlr1210.so. */
#ifndef VLR1210_RP1210_H
#define VLR1210_RP1210_H

#ifdef _WIN32
#ifdef VLR1210_BUILDING
/* The driver needs only the window handle type. The whole of windows.h
 * would rename its own functions through the A/W macros (winspool.h turns
 * ConfigurePort into ConfigurePortA), so it declares the type as windows.h
 * does and leaves the Win32 headers to src/platform/win32. */
struct HWND__;
typedef struct HWND__* HWND;
#else
#include <windows.h>
#endif
#define RP1210_API __stdcall
#ifdef VLR1210_BUILDING
#define RP1210_EXPORT
#else
#define RP1210_EXPORT __declspec(dllimport)
#endif
#else
typedef void* HWND;
#define RP1210_API
#define RP1210_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define ERR_SUCCESS 0
#define ERR_DLL_NOT_INITIALIZED 128
#define ERR_INVALID_CLIENT_ID 129
#define ERR_CLIENT_ALREADY_CONNECTED 130
#define ERR_CLIENT_AREA_FULL 131
#define ERR_FREE_MEMORY 132
#define ERR_NOT_ENOUGH_MEMORY 133
#define ERR_INVALID_DEVICE 134
#define ERR_DEVICE_IN_USE 135
#define ERR_INVALID_PROTOCOL 136
#define ERR_TX_QUEUE_FULL 137
#define ERR_TX_QUEUE_CORRUPT 138
#define ERR_RX_QUEUE_FULL 139
#define ERR_RX_QUEUE_CORRUPT 140
#define ERR_MESSAGE_TOO_LONG 141
#define ERR_HARDWARE_NOT_RESPONDING 142
#define ERR_COMMAND_NOT_SUPPORTED 143
#define ERR_INVALID_COMMAND 144
#define ERR_TXMESSAGE_STATUS 145
#define ERR_ADDRESS_CLAIM_FAILED 146
#define ERR_CANNOT_SET_PRIORITY 147
#define ERR_CLIENT_DISCONNECTED 148
#define ERR_CONNECT_NOT_ALLOWED 149
#define ERR_CHANGE_MODE_FAILED 150
#define ERR_BUS_OFF 151
#define ERR_COULD_NOT_TX_ADDRESS_CLAIMED 152
#define ERR_ADDRESS_LOST 153
#define ERR_CODE_NOT_FOUND 154
#define ERR_BLOCK_NOT_ALLOWED 155
#define ERR_MULTIPLE_CLIENTS_CONNECTED 156
#define ERR_ADDRESS_NEVER_CLAIMED 157
#define ERR_WINDOW_HANDLE_REQUIRED 158
#define ERR_MESSAGE_NOT_SENT 159
#define ERR_MAX_NOTIFY_EXCEEDED 160
#define ERR_MAX_FILTERS_EXCEEDED 161
#define ERR_HARDWARE_STATUS_CHANGE 162

/* RP1210_SendCommand command numbers. */
#define RP1210_Reset_Device 0
#define RP1210_Set_All_Filters_States_to_Pass 3
#define RP1210_Set_Message_Filtering_For_J1939 4
#define RP1210_Set_Message_Filtering_For_CAN 5
#define RP1210_Set_Message_Filtering_For_J1708 7
#define RP1210_Generic_Driver_Command 14
#define RP1210_Set_J1708_Mode 15
#define RP1210_Echo_Transmitted_Messages 16
#define RP1210_Set_All_Filters_States_to_Discard 17
#define RP1210_Set_Message_Receive 18
#define RP1210_Protect_J1939_Address 19
#define RP1210_Set_J1939_Interpacket_Time 27
#define RP1210_Release_J1939_Address 31
/* Commands of the later revisions that applications send after connecting. */
#define RP1210_Set_J1939_Baud 37
#define RP1210_Flush_Tx_Rx_Buffers 39
#define RP1210_Get_Protocol_Connection_Speed 45

/* Command 37: byte 0 says when the change happens, byte 1 the rate. The
 * adapters run J1939 at 250 kbit/s only, so RP1210_BAUD_250k is the one
 * rate the command accepts; any other gives ERR_COMMAND_NOT_SUPPORTED. */
#define RP1210_CHANGE_BAUD_NOW 0x00
#define RP1210_MSG_FIRST_CHANGE_BAUD_AFTER 0x01
#define RP1210_BAUD_9600 0x00
#define RP1210_BAUD_19200 0x01
#define RP1210_BAUD_38400 0x02
#define RP1210_BAUD_57600 0x03
#define RP1210_BAUD_125k 0x04
#define RP1210_BAUD_250k 0x05
#define RP1210_BAUD_500k 0x06
#define RP1210_BAUD_1000k 0x07

/* Buffer sizes of the later revisions' conventions: each version text of
 * RP1210_ReadDetailedVersion and the description of RP1210_GetErrorMsg and
 * RP1210_GetLastErrorMsg, terminating zero included. */
#define RP1210_VERSION_TEXT_SIZE 17
#define RP1210_DESCRIPTION_SIZE 80

/* J1939 filter group flags (command 4). */
#define FILTER_PGN 0x01
#define FILTER_PRIORITY 0x02
#define FILTER_SOURCE 0x04
#define FILTER_DESTINATION 0x08

/* Name of the window message broadcast for every queued message. */
#define VLR1210_MESSAGE_STRING "Vlr1210MessageString"

RP1210_EXPORT short RP1210_API RP1210_ClientConnect(
    HWND hwndClient, short nDeviceId, char* fpchProtocol, long lTxBufferSize,
    long lRcvBufferSize, short nIsAppPacketizingIncomingMsgs);
RP1210_EXPORT short RP1210_API RP1210_ClientDisconnect(short nClientID);
RP1210_EXPORT short RP1210_API RP1210_SendMessage(short nClientID,
                                                  char* fpchClientMessage,
                                                  short nMessageSize,
                                                  short nNotifyStatusOnTx,
                                                  short nBlockOnSend);
RP1210_EXPORT short RP1210_API RP1210_ReadMessage(short nClientID,
                                                  char* fpchAPIMessage,
                                                  short nBufferSize,
                                                  short nBlockOnRead);
RP1210_EXPORT short RP1210_API RP1210_SendCommand(short nCommandNumber,
                                                  short nClientID,
                                                  char* fpchClientCommand,
                                                  short nMessageSize);
RP1210_EXPORT void RP1210_API RP1210_ReadVersion(char* fpchDLLMajorVersion,
                                                 char* fpchDLLMinorVersion,
                                                 char* fpchAPIMajorVersion,
                                                 char* fpchAPIMinorVersion);
RP1210_EXPORT short RP1210_API RP1210_GetErrorMsg(short ErrorCode,
                                                  char* fpchDescription);
RP1210_EXPORT short RP1210_API RP1210_GetHardwareStatus(short nClientID,
                                                        char* fpchClientInfo,
                                                        short nInfoSize,
                                                        short nBlockOnRequest);
/* From the later revisions; RP1210A applications do not call them. */
RP1210_EXPORT short RP1210_API
RP1210_ReadDetailedVersion(short nClientID, char* fpchAPIVersionInfo,
                           char* fpchDLLVersionInfo, char* fpchFWVersionInfo);
RP1210_EXPORT short RP1210_API RP1210_GetLastErrorMsg(short ErrorCode,
                                                      int* SubErrorCode,
                                                      char* fpchDescription,
                                                      short nClientID);

#ifdef __cplusplus
}
#endif

#endif /* VLR1210_RP1210_H */
