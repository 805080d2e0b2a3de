// The device presence monitor: follows the device as it is plugged in and out.
//
// It is one state machine over one record, PresenceDevice, and every change of state is made
// by one step function in presence.cpp (Run). The states:
//
//   ABSENT   No handle is open. The check runs the choice (ChooseHidDevice): every matching
//            interface in enumeration order, keeping the first that opens and speaks the
//            console's reports; while one that speaks them is refused, none; else the first
//            that opens. ReadHandle then opens on the same path.
//   HELD     WriteHandle and ReadHandle are open on one interface, `path`; `speaks` says
//            whether it speaks the console's reports. The check asks the device behind
//            WriteHandle, twice PROBE_CONFIRM_MS apart before it counts as gone. Held on the
//            console's own interface, nothing else is scanned or opened. Held on another
//            interface of the device (the only one that opened), an arrival naming the device,
//            and every OPEN_RETRY_MS the tick, runs the choice again: when an interface of the
//            console's reports opens, both handles move to it in one step.
//   WAITING  Some matching interface refused to be opened for reading and writing (another
//            program holds it), and none opened. No handle is open, and nothing is scanned
//            before `retry_at`; an arrival naming a matching interface ends the wait at once.
//
//                  a look opens a matching interface, and ReadHandle on its path
//            .-------------------------------------------------------------.
//            |                                                             v
//       +--------+      the device fails two probes: all its handles   +------+
//  ---->| ABSENT |<---- close, and the same step looks as from ABSENT --| HELD |--.
//       +--------+                                                     +------+  | held on
//         |    ^                                                          ^  ^    | another
//         |    | the look at `retry_at` sees no matching interface,       |  '----' interface:
//         |    | or none opens and none refuses                           |  the choice again;
//         |  +---------+    the look at `retry_at`, or at once on an      |  one of the console's
//         '->| WAITING |--- arrival naming a matching interface: one opens'  reports that opens
//   a look   +---------+                                                     takes both handles
//   sees one    |    ^
//   refuse,     '----' refused again, none opened: `retry_at` moves on
//   none opens
//
// What each event does in each state ("look": the check of the state; "-": nothing):
//
//   event                          ABSENT     HELD (console's)  HELD (another)  WAITING
//   tick (CheckDevice)             look       probe             probe; choice   look when due
//                                                               when due
//   write failed                   -          probe             probe           -
//   read failed                    -          probe             probe           -
//   arrival naming the device      look       -                 probe; choice   look now
//   arrival of an unnamed device   look       -                 probe; choice   look when due
//                                                               when due
//   arrival naming another device  -          -                 -               -
//   removal naming `path`          -          probe             probe           -
//   removal without a name         -          probe             probe           -
//   removal naming another path    -          -                 -               -
//
// "Naming the device": the name holds the device's vendor and product, so any of its
// interfaces. A write that is given up and still runs on WriteHandle would hold up a probe
// behind it (a handle's synchronous I/O is serialised), so at the give-up a query-only handle,
// ProbeHandle, is opened on `path` and asks from then on; it dies with the device it was
// opened on, so a device that comes back at the same path never answers for the one gone.
//
// The notices that come together are judged one by one and make one step at most, the
// strongest that any of them asks for. StatusLabel says "Discovered device" exactly while
// HELD. DeviceState (globals.h) keeps the result of the last lookup.
#pragma once

#include <cstdint>
#include <string>

#include "hid/hid.h"

// The device this program serves.
constexpr uint16_t DEVICE_VENDOR_ID = 0xAAAA;
constexpr uint16_t DEVICE_PRODUCT_ID = 0xEF22;

// StatusLabel, the status line at the top of the window.
constexpr int32_t STATUS_LABEL = 0;

// A device that is seen but refuses to be opened (another program holds it) is tried again
// after this long, not at every tick; so is the choice while held on an interface that does
// not speak the console's reports.
constexpr uint64_t OPEN_RETRY_MS = 2000;
// After a failed probe of the device held, the pause before the second probe that confirms it.
constexpr uint32_t PROBE_CONFIRM_MS = 20;

enum class PresenceState { kAbsent, kHeld, kWaiting };

// The device as the presence monitor holds it. Main thread only.
struct PresenceRecord {
  PresenceState state = PresenceState::kAbsent;
  std::string path;           // HELD: the interface both handles are open on; else empty
  bool speaks = false;        // HELD: that interface speaks the console's reports
  HidHandle WriteHandle = 0;  // HELD: the send commands' handle; else 0
  HidHandle ReadHandle = 0;   // HELD: the receive loop's handle (given over by read_handover)
  HidHandle ProbeHandle = 0;  // HELD, once a write was given up: a query-only handle; else 0
  uint64_t retry_at = 0;      // WAITING, or HELD on another interface: the next choice's time
};
extern PresenceRecord PresenceDevice;

// Tick: looks for the device, or asks the one held whether it still answers; see the table
// above. Main thread only; returns 0.
int32_t CheckDevice();
// A write on WriteHandle failed: the device held is asked at once.
void HandleWriteFailure();
// A read on ReadHandle failed (the receive thread's ReadFailed event): the device held is
// asked at once.
void HandleReadFailure();
// Takes the device notices that came together and makes the one step they ask for.
void HandleDeviceNotices();
// Returns the monitor to its start-up state (ABSENT, nothing held); closes no handle.
void ResetPresence();

// Platform: milliseconds on a clock that never goes back.
uint64_t PresenceClockMs();
// Platform: pauses the calling (main) thread for `ms` milliseconds.
void PresencePause(uint32_t ms);
