// The device presence monitor: follows the device as it is plugged in and out.
//
// It is one state machine over one record, PresenceDevice, and every change of state is made
// by one step function in presence.cpp (Run). The states:
//
//   ABSENT   No handle is open. The check runs the choice (ChooseHidDevice), which ranks every
//            matching interface by how its framing fits the console's reports: the console's
//            own framing first; none while one of that framing is refused; then one with room
//            for the console's reports; then any that opens. ReadHandle then opens on the same
//            path.
//   HELD     WriteHandle and ReadHandle are open on one interface, `path`, whose framing the
//            reports take. The check asks the device behind WriteHandle, twice
//            PROBE_CONFIRM_MS apart before it counts as gone; nothing is scanned. Held on a
//            lesser interface (not of the console's own framing), an arrival naming the device
//            runs the choice again at once, and so does the tick once, at `retry_at`
//            (OPEN_RETRY_MS after the hold or after that arrival), for an interface that
//            arrived during the look; no look follows after that. The choice's pick takes both
//            handles in one step; when it waits for a refused interface of the console's own
//            framing, the lesser one is let go (WAITING), as a cold start would.
//   WAITING  Some matching interface refused to be opened for reading and writing (another
//            program holds it), and none is to be held. No handle is open, and nothing is
//            scanned before `retry_at`; an arrival naming a matching interface ends the wait.
//
//                  a look opens a matching interface, and ReadHandle on its path
//            .-------------------------------------------------------------.
//            |                                                             v
//       +--------+      the device fails two probes: all its handles   +------+
//  ---->| ABSENT |<---- close, and the same step looks as from ABSENT --| HELD |--.
//       +--------+                                                     +------+  | on a lesser
//         |    ^                                                        ^   |  ^   | interface: the
//         |    | the look at `retry_at` sees no matching interface,     |   |  '---' choice moves
//         |    | or none opens and none refuses                         |   |  both handles
//         |  +---------+    the look at `retry_at`, or at once on an    |   |  to its pick
//         '->| WAITING |--- arrival naming a matching interface: one ---'   |
//   a look   +---------+    opens                                           |
//   sees one   ^  |  ^  on a lesser interface: the choice waits for a       |
//   refuse,    '--'  '- refused interface of the console's own framing -----'
//   none opens  refused again: `retry_at` moves on
//
// What each event does in each state ("look": the check of the state; "-": nothing):
//
//   event                          ABSENT     HELD (console's)  HELD (lesser)   WAITING
//   tick (CheckDevice)             look       probe             probe; choice   look when due
//                                                               once, when due
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
// after this long, not at every tick; held on a lesser interface, the choice runs once more
// this long after the hold.
constexpr uint64_t OPEN_RETRY_MS = 2000;
// After a failed probe of the device held, the pause before the second probe that confirms it.
constexpr uint32_t PROBE_CONFIRM_MS = 20;

enum class PresenceState { kAbsent, kHeld, kWaiting };

// The device as the presence monitor holds it. Main thread only.
struct PresenceRecord {
  PresenceState state = PresenceState::kAbsent;
  std::string path;           // HELD: the interface both handles are open on; else empty
  HidFraming framing;         // HELD: that interface's framing, which the reports take
  HidHandle WriteHandle = 0;  // HELD: the send commands' handle; else 0
  HidHandle ReadHandle = 0;   // HELD: the receive loop's handle (given over by read_handover)
  HidHandle ProbeHandle = 0;  // HELD, once a write was given up: a query-only handle; else 0
  uint64_t retry_at = 0;      // WAITING, or HELD on a lesser interface: the next look; else 0
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
// Closes every handle the monitor holds, ReadHandle through the hand-over, and returns it to
// ABSENT (at shutdown).
void ReleasePresence();

// Platform: milliseconds on a clock that never goes back.
uint64_t PresenceClockMs();
// Platform: pauses the calling (main) thread for `ms` milliseconds.
void PresencePause(uint32_t ms);
