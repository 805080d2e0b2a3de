// The report descriptor that README.md and release/README.txt show, after the line holding
// "Report descriptor, byte for byte", is the test board's, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

extern "C" {
#include "board_descriptor.h"
}

namespace {

// Returns the 0xNN bytes of the block after the marker line, as "06 00 FF ...": lines up to
// two after the marker may open it (a fence), and the first line without bytes ends it. Text
// after "//" on a line is a comment.
std::string BlockAfterMarker(const char* path) {
  std::ifstream in(path);
  std::string line, bytes;
  while (std::getline(in, line) &&
         line.find("Report descriptor, byte for byte") == std::string::npos) {
  }
  for (int before = 0; std::getline(in, line);) {
    line = line.substr(0, line.find("//"));
    const size_t length = bytes.size();
    for (size_t at = line.find("0x"); at != std::string::npos; at = line.find("0x", at + 2)) {
      bytes += (bytes.empty() ? "" : " ") + line.substr(at + 2, 2);
    }
    if (bytes.size() == length && (length > 0 || ++before > 2)) break;
  }
  return bytes;
}

std::string BoardBytes() {
  std::string bytes;
  for (unsigned char b : board_report_descriptor) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", b);
    bytes += (bytes.empty() ? "" : " ") + std::string(hex);
  }
  return bytes;
}

TEST(DeviceContract, ReadmesShowTheBoardsReportDescriptor) {
  for (const char* path : {QUILL_SOURCE_DIR "/README.md", QUILL_SOURCE_DIR "/release/README.txt"}) {
    EXPECT_EQ(BlockAfterMarker(path), BoardBytes()) << path;
  }
}

}  // namespace
