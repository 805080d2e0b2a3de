// Which of a device's matching interfaces the console holds: a pure rank over what the scan
// saw of each, so that the choice is the same whatever order the interfaces arrived in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/hid.h"

// What the choice's scan saw of one matching interface.
struct SeenInterface {
  bool opened = false;   // it opened for reading and writing
  bool refused = false;  // the read-write open was refused, as another program's hold makes it
  HidFraming framing;    // its framing, read through a query-only handle
  intptr_t handle = 0;   // the read-write handle while it is open
  std::string path;
};
// The interface picked among those seen (its index, -1 for none) and how the choice ended.
struct InterfacePick {
  int index;
  HidChoice choice;
};
// Picks the interface to keep from what the scan saw of each, in enumeration order.
InterfacePick PickInterface(const std::vector<SeenInterface>& seen);
