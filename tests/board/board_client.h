// The tests' side of the board's control channel (\\.\QuillBoard, board_control.h): plug and
// unplug the board, send input reports, collect the output reports it received, ask for
// refused or held writes, read its counters; and find the board's HID interface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board_control.h"

namespace board {

using Bytes = std::vector<uint8_t>;

// One output report as the board received it: its bytes, as many as the packet's length.
struct Output {
  Bytes bytes;
  uint32_t report_id;
};

class Board {
 public:
  // Opens the control device, waiting up to 10 s for it; ok() tells whether it is there.
  Board();
  ~Board();
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  bool ok() const { return control_ != INVALID_HANDLE_VALUE; }
  // Puts the board on the bus (nothing when it is there) and waits until Wine has started it.
  bool Plug();
  // Takes it off the bus (nothing when it is out).
  bool Unplug();
  // Forgets the board's received reports, queued inputs, refusals and holds, and this
  // client's collected reports; the counters restart from zero.
  bool Reset();
  // Sends one input report carrying a little-endian 32-bit value.
  bool SendValue(int32_t value);
  // Refuses the next `count` writes with the NTSTATUS `status`.
  bool RefuseWrites(long count, long status);
  // Echo on: each output report the board keeps comes back as an input report of its payload
  // bytes 1 to 4 (off: none).
  bool Echo(bool on);
  // Holds each later write pending for `ms` milliseconds (0: none, and the held end now).
  bool HoldWrites(unsigned long ms);
  // The port (1 to 99) that the board comes up on from its next plug; a reset brings back 1.
  bool Port(unsigned long port);
  // What the board itself comes up as from its next plug; a reset brings back the console's.
  bool Identity(const BoardChild& identity);
  // Plugs one more child beside the board; returns its number, 0 when refused.
  unsigned long PlugChild(const BoardChild& child);
  // Returns the board's counters (all zero when they cannot be read).
  BoardCounters Counters();
  // Returns every output report received since the last reset, oldest first.
  const std::vector<Output>& Received();
  // Waits until at least `count` output reports have been received.
  bool WaitReceived(size_t count, DWORD timeout_ms);

 private:
  // Sends one control request; true when the board accepted it.
  bool Ask(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size, DWORD* got);

  HANDLE control_ = INVALID_HANDLE_VALUE;
  std::vector<Output> received_;
};

// Returns the HID interface paths with the board's identifiers in the platform's enumeration
// order (lower case, as Wine gives them).
std::vector<std::string> BoardPaths();
// Returns the first of them, or "" when there is none.
std::string BoardPath();

// Waits for the board's HID interface; returns its path, or "" after `timeout_ms`.
std::string WaitForBoardPath(DWORD timeout_ms);

}  // namespace board
