// A simulated SetupAPI, HID class and file service for the interface scan: a list of
// interfaces with paths and identifiers, scripted answers, and counts of what was called.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hid/hid_lookup.h"

// The set handle that the simulation hands out.
constexpr intptr_t FAKE_SET = 0x5E7;
// INVALID_HANDLE_VALUE.
constexpr intptr_t FAKE_INVALID_HANDLE = -1;
// The value the simulated HidD_GetHidGuid writes into Data1.
constexpr uint32_t FAKE_HID_GUID_DATA1 = 0x4D1E55B2;

// How one interface answers the size query.
enum class SizeAnswer { kExact, kNothing, kValue };

// One simulated HID interface.
struct FakeInterface {
  std::string path;
  uint16_t vendor = 0;
  uint16_t product = 0;
  uint16_t version = 0;
  bool present = true;           // listed by the scan, opened, and its handles answer
  bool query_open = true;        // CreateFileA with access 0 succeeds
  bool read_write_open = true;   // CreateFileA for reading and writing succeeds
  uint32_t refusal = 5;          // the error of a read-write open that fails
  bool attributes_fail = false;  // HidD_GetAttributes leaves the record alone
  bool force_handle = false;     // CreateFileA returns forced_handle whatever it is asked
  intptr_t forced_handle = 0;
  SizeAnswer size = SizeAnswer::kExact;
  uint32_t size_value = 0;    // written by the size query for kValue
  bool unterminated = false;  // the path query fills the buffer without a terminator
  HidFraming framing = {};    // read from an open handle; lengths 0 and 0: cannot be read
};

// One recorded CreateFileA call.
struct CreateCall {
  std::string path;
  uint32_t access;
  uint32_t share;
  bool inheritable;
  uint32_t creation;
  uint32_t flags;
};

// The simulation's script and observations.
struct FakeSetupApi {
  std::vector<FakeInterface> interfaces;
  intptr_t set_result = FAKE_SET;
  bool hid_missing = false;   // hid.dll cannot be had
  bool enum_missing = false;  // SetupDiEnumDeviceInterfaces cannot be had
  uint32_t detail_record_size = 5;
  // After `opens_before_failure` more read-write opens succeed, every later one fails with
  // this error (0: none fails).
  uint32_t open_failure = 0;
  int opens_before_failure = 0;
  // Interfaces that arrive, first in the list, right after the next read-write open.
  std::vector<FakeInterface> arrive_after_open;
  bool reuse_handles = false;  // a new handle takes the lowest value free, as closed ones are

  std::vector<std::string> calls;  // operation names in call order
  std::vector<CreateCall> creates;
  std::map<intptr_t, size_t> open_handles;  // handle -> interface index
  std::set<intptr_t> dead;                  // open handles whose device instance has gone
  int read_write_opens = 0;                 // read-write handles handed out
  int read_write_closes = 0;                // and closed
  std::vector<intptr_t> destroyed;
  size_t sets_made = 0;                   // device information sets handed out
  std::map<intptr_t, uint32_t> shares;    // handle -> share mode it was opened with
  std::map<intptr_t, uint32_t> accesses;  // handle -> its access in share-mode bits
  std::vector<size_t> path_queries;       // interface indices whose path query ran
  int closes = 0;
  int bad_closes = 0;   // CloseHandle on a handle that is not open
  int bad_records = 0;  // records passed with a wrong cbSize
  uint32_t highest_index = 0;
  intptr_t next_handle = 0x100;
  uint32_t last_error = 0;
};

// Makes `fake` the simulation that FakeHidPlatform's entries act on.
void UseFakeSetupApi(FakeSetupApi* fake);
// True while a handle is open on a present interface whose device instance has not gone.
bool FakeHandleAnswers(intptr_t handle);
// Returns the platform table whose entries act on the current simulation.
HidPlatform FakeHidPlatform();
