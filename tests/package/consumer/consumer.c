/* A program as an application developer writes it against the installed
 * driver: connect to device 201, open the filters, read J1939 traffic. */
#define _POSIX_C_SOURCE 200809L
#include <rp1210.h>
#include <stdio.h>
#include <time.h>

enum { kWanted = 5, kPolls = 3000 }; /* 10 ms apart: 30 s at most */

static void Nap(void) {
  const struct timespec ten_ms = {0, 10 * 1000 * 1000};
  nanosleep(&ten_ms, NULL);
}

static int Fail(const char* what, short code) {
  char text[256] = "";
  RP1210_GetErrorMsg(code, text);
  fprintf(stderr, "consumer: %s: %d %s\n", what, code, text);
  return 1;
}

int main(void) {
  char protocol[] = "J1939";
  const short client = RP1210_ClientConnect(NULL, 201, protocol, 0, 0, 0);
  if (client < 0 || client > 127) return Fail("connect", client);
  const short pass = RP1210_SendCommand(RP1210_Set_All_Filters_States_to_Pass,
                                        client, NULL, 0);
  if (pass != 0) return Fail("open the filters", pass);

  int received = 0;
  for (int poll = 0; poll < kPolls && received < kWanted; ++poll) {
    char message[600];
    const short size = RP1210_ReadMessage(client, message, sizeof message, 0);
    if (size < 0) return Fail("read", (short)-size);
    if (size == 0) Nap();
    /* Timestamp, PGN, priority, source and destination come first. */
    if (size >= 10) ++received;
  }
  RP1210_ClientDisconnect(client);
  printf("consumer: %d J1939 messages\n", received);
  return received == kWanted ? 0 : 1;
}
