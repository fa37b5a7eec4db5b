// Real windows for the scenarios that need the window system: a top-level
// window that counts the driver's broadcast notifications, and the outside
// application's "Transmission Connect / Disconnect" window with its three
// buttons. All windows live on one thread of their own that pumps messages,
// so the broadcasts are received while the scenario's thread sits in a
// driver call or a sleep.
#pragma once

#include <windows.h>

#include <string>

namespace test_desktop {

// Starts the window thread on first use. False when no window can be made
// (under Wine: no display).
bool Open();

// A top-level window that registers `messageName` and counts the messages
// it receives under that number, by their two parameters.
bool OpenNotificationWindow(const char* messageName);
// "total=N zero=A one=B other=C": A with both parameters 0, B with both 1.
std::string NotificationCounts();
void ResetNotificationCounts();

bool OpenTransmissionWindow();
// Enables ("1") or disables ("0") the three buttons at once.
bool SetTransmissionButtons(bool disconnect, bool connect, bool close);
// Holds the given state for `milliseconds`, then restores the one before.
// Returns how long the state was actually held, as measured by the window
// thread, so a caller can tell when the machine stretched the pulse.
DWORD PulseTransmissionButtons(bool disconnect, bool connect, bool close,
                               DWORD milliseconds);
void CloseTransmissionWindow();

}  // namespace test_desktop
