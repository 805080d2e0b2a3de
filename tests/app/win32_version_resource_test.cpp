// The exe's version resource, read back the way Windows reads it: numbers and texts carry the
// project version.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The raw version block of a file, empty when it has none.
std::vector<char> VersionBlock(const char* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data())) block.clear();
  return block;
}

// A text of the block's first language and code page, or "(none)".
std::string VersionText(std::vector<char>& block, const char* name) {
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < 2 * sizeof(WORD)) {
    return "(none)";
  }
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                name);
  char* text = nullptr;
  if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&text), &length)) {
    return "(none)";
  }
  return text;
}

TEST(VersionResource, FileAndProductVersionAreTheProjectVersion) {
  std::vector<char> block = VersionBlock(QUILL_EXE_PATH);
  ASSERT_FALSE(block.empty()) << "no version resource in " << QUILL_EXE_PATH;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const DWORD ms = MAKELONG(QUILL_VERSION_MINOR, QUILL_VERSION_MAJOR);
  const DWORD ls = MAKELONG(0, QUILL_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, ms);
  EXPECT_EQ(fixed->dwFileVersionLS, ls);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);

  EXPECT_EQ(VersionText(block, "FileVersion"), QUILL_VERSION);
  EXPECT_EQ(VersionText(block, "ProductVersion"), QUILL_VERSION);
}

}  // namespace
