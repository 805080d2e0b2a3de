// The tests' side of the board's control channel, over DeviceIoControl.
#include "board_client.h"

#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}
#include <winioctl.h>

#include <algorithm>
#include <cstring>

#include "wait_until.h"

namespace board {

// NOTE: Wine starts the board's drivers as the prefix starts, so the first program after that
// can come before the control device exists; it is waited for.
Board::Board() {
  WaitUntil(
      [&] {
        control_ = CreateFileA(BOARD_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        return ok();
      },
      10000, 20);
}

Board::~Board() {
  if (ok()) CloseHandle(control_);
}

bool Board::Ask(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size, DWORD* got) {
  DWORD n = 0;
  const BOOL done =
      DeviceIoControl(control_, code, const_cast<void*>(in), in_size, out, out_size, &n, nullptr);
  if (got != nullptr) *got = n;
  return done != 0;
}

bool Board::Plug() {
  if (!Ask(IOCTL_BOARD_PLUG, nullptr, 0, nullptr, 0, nullptr)) return false;
  // NOTE: an unplug that comes before Wine has started the new device can leave hidclass
  // reading through a deleted one, which crashes the driver host (seen about once in a hundred
  // plug-unplug pairs); the board is started once hidclass reads from it.
  return WaitUntil([&] { return Counters().waiting_reads > 0; }, 5000, 5);
}

bool Board::Unplug() {
  return Ask(IOCTL_BOARD_UNPLUG, nullptr, 0, nullptr, 0, nullptr);
}

bool Board::Reset() {
  received_.clear();
  return Ask(IOCTL_BOARD_RESET, nullptr, 0, nullptr, 0, nullptr);
}

bool Board::SendValue(int32_t value) {
  uint8_t report[BOARD_INPUT_BYTES];
  std::memcpy(report, &value, sizeof report);
  return Ask(IOCTL_BOARD_SEND_INPUT, report, sizeof report, nullptr, 0, nullptr);
}

bool Board::RefuseWrites(long count, long status) {
  const BoardRefusal refusal = {count, status};
  return Ask(IOCTL_BOARD_REFUSE_WRITES, &refusal, sizeof refusal, nullptr, 0, nullptr);
}

bool Board::Echo(bool on) {
  const ULONG value = on ? 1 : 0;
  return Ask(IOCTL_BOARD_ECHO, &value, sizeof value, nullptr, 0, nullptr);
}

bool Board::HoldWrites(unsigned long ms) {
  return Ask(IOCTL_BOARD_HOLD_WRITES, &ms, sizeof ms, nullptr, 0, nullptr);
}

bool Board::Port(unsigned long port) {
  return Ask(IOCTL_BOARD_PORT, &port, sizeof port, nullptr, 0, nullptr);
}

bool Board::Identity(const BoardChild& identity) {
  return Ask(IOCTL_BOARD_IDENTITY, &identity, sizeof identity, nullptr, 0, nullptr);
}

unsigned long Board::PlugChild(const BoardChild& child) {
  unsigned long number = 0;
  return Ask(IOCTL_BOARD_PLUG_CHILD, &child, sizeof child, &number, sizeof number, nullptr) ? number
                                                                                            : 0;
}

BoardCounters Board::Counters() {
  BoardCounters counters = {};
  if (!Ask(IOCTL_BOARD_COUNTERS, nullptr, 0, &counters, sizeof counters, nullptr)) return {};
  return counters;
}

const std::vector<Output>& Board::Received() {
  BoardOutput taken[64];
  DWORD got = 0;
  while (Ask(IOCTL_BOARD_TAKE_OUTPUT, nullptr, 0, taken, sizeof taken, &got) && got > 0) {
    for (DWORD i = 0; i < got / sizeof taken[0]; ++i) {
      const size_t n = std::min<size_t>(taken[i].length, BOARD_KEPT_BYTES);
      received_.push_back({Bytes(taken[i].bytes, taken[i].bytes + n), taken[i].report_id});
    }
  }
  return received_;
}

bool Board::WaitReceived(size_t count, DWORD timeout_ms) {
  return WaitUntil([&] { return Received().size() >= count; }, timeout_ms, 5);
}

std::vector<std::string> BoardPaths() {
  GUID hid;
  HidD_GetHidGuid(&hid);
  HDEVINFO set =
      SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  std::vector<std::string> found;
  if (set == INVALID_HANDLE_VALUE) return found;
  SP_DEVICE_INTERFACE_DATA iface = {};
  iface.cbSize = sizeof iface;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hid, i, &iface); ++i) {
    union {
      SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
      char bytes[1024];
    } buffer = {};
    buffer.detail.cbSize = sizeof buffer.detail;
    if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, &buffer.detail, sizeof buffer, nullptr,
                                          nullptr)) {
      continue;
    }
    std::string path = buffer.detail.DevicePath;
    std::transform(path.begin(), path.end(), path.begin(), ::tolower);
    if (path.find("vid_aaaa&pid_ef22") != std::string::npos) found.push_back(path);
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

std::string BoardPath() {
  const std::vector<std::string> paths = BoardPaths();
  return paths.empty() ? "" : paths.front();
}

std::string WaitForBoardPath(DWORD timeout_ms) {
  std::string path;
  WaitUntil([&] { return !(path = BoardPath()).empty(); }, timeout_ms, 5);
  return path;
}

}  // namespace board
