// The Windows side of the hid layer under Wine: calls by name, the system-directory loader,
// the transfer's argument checks and the time-bounded write.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "hid/deferred_close.h"
#include "hid/hid.h"
#include "hid/library_table.h"
#include "ui/ui.h"
#include "wait_until.h"

namespace {

// Returns the folder of the test program, ending in a backslash.
std::string ExeDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// Loads a test DLL from beside the test program.
intptr_t LoadBesideExe(const char* file) {
  return reinterpret_cast<intptr_t>(LoadLibraryA((ExeDirectory() + file).c_str()));
}

// Returns an export's address.
intptr_t FindTestExport(intptr_t module, const char* name) {
  return reinterpret_cast<intptr_t>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

// Frees a test DLL.
void FreeTestModule(intptr_t module) {
  FreeLibrary(reinterpret_cast<HMODULE>(module));
}

// The bounded write's wait on a thread without windows.
bool WaitPlainly(intptr_t object, uint32_t limit_ms) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(object), limit_ms) == WAIT_OBJECT_0;
}

const LibraryLoader TestLoader = {LoadBesideExe, FindTestExport, FreeTestModule};

// Returns a handle as the hid layer carries it.
HidHandle AsHid(HANDLE handle) {
  return reinterpret_cast<HidHandle>(handle);
}

// An anonymous pipe whose ends are closed on scope exit.
struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  Pipe() { CreatePipe(&read, &write, nullptr, 0); }
  ~Pipe() {
    if (read != nullptr) CloseHandle(read);
    if (write != nullptr) CloseHandle(write);
  }
};

// A named pipe without buffers: a write from the client blocks until the server reads. A
// client opened with FILE_FLAG_OVERLAPPED waits for a write without an OVERLAPPED on the handle
// itself, in a wait that CancelSynchronousIo does not end.
struct BlockingPipe {
  HANDLE server = INVALID_HANDLE_VALUE;
  HANDLE client = INVALID_HANDLE_VALUE;
  explicit BlockingPipe(DWORD client_flags = 0) {
    const std::string name = "\\\\.\\pipe\\quill_hid_test_" + std::to_string(GetCurrentProcessId());
    server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0,
                              0, nullptr);
    client = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         client_flags, nullptr);
  }
  ~BlockingPipe() {
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    if (server != INVALID_HANDLE_VALUE) CloseHandle(server);
  }
};

const uint8_t REPORT[9] = {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};

TEST(CallLibraryTest, SystemFunctionsWithZeroToThreeArguments) {
  CreateLibraryTable();
  const int32_t kernel = LoadSystemLibrary(-1, "kernel32.dll");
  ASSERT_NE(kernel, 0);
  EXPECT_EQ(static_cast<DWORD>(CallLibraryFunction(kernel, "GetCurrentProcessId")),
            GetCurrentProcessId());
  EXPECT_EQ(static_cast<int32_t>(CallLibraryFunction(kernel, "lstrlenA", "hello")), 5);
  EXPECT_EQ(static_cast<int32_t>(CallLibraryFunction(kernel, "MulDiv", 7, 6, 3)), 14);
  EXPECT_EQ(static_cast<int32_t>(CallLibraryFunction(kernel, "MulDiv", -7, 6, 3)), -14);
  EXPECT_EQ(CallLibraryFunction(kernel, "NoSuchFunction", 1), 0);
  EXPECT_EQ(CallLibraryFunction(0, "GetCurrentProcessId"), 0);
  FreeAllSystemLibraries();
  EXPECT_EQ(CallLibraryFunction(kernel, "GetCurrentProcessId"), 0);
}

// Returns where the caller's stack stands at the call.
__attribute__((noinline)) uintptr_t StackMark() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

// NOTE: a 32-bit WINAPI callee pops its own arguments; a call that pushed another count leaves
// the caller's stack moved, which the marks taken at one place in a loop show.
TEST(CallLibraryTest, ZeroToTwentyArgumentsEachArriveAndTheStackStaysBalanced) {
  CreateLibraryTableWith(TestLoader);
  const int32_t library = LoadSystemLibrary(-1, "quill_test_exports.dll");
  ASSERT_NE(library, 0);
  intptr_t args[20];
  for (int i = 0; i < 20; ++i) args[i] = (i + 1) * 1000 + 7 * (i % 3);
  for (int32_t count = 0; count <= 20; ++count) {
    const std::string name = "Args" + std::to_string(count);
    intptr_t expected = count * 1000000;
    for (int i = 0; i < count; ++i) expected += args[i] * (i + 1);
    uintptr_t marks[3] = {};
    for (uintptr_t& mark : marks) {
      mark = StackMark();
      EXPECT_EQ(CallLibraryFunctionN(library, name.c_str(), count, args), expected) << name;
    }
    EXPECT_EQ(marks[1], marks[0]) << name << " moved the stack";
    EXPECT_EQ(marks[2], marks[0]) << name << " moved the stack";
  }
  EXPECT_EQ(CallLibraryFunction(library, "Args20", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                15, 16, 17, 18, 19, 20),
            20000000 + 2870);  // 2870 = the sum of i * i for i = 1..20
  const intptr_t wide =
      sizeof(intptr_t) == 8 ? static_cast<intptr_t>(0x123456789ABCLL) : 0x12345678;
  EXPECT_EQ(CallLibraryFunction(library, "Echo1", wide), wide);
  EXPECT_EQ(CallLibraryFunction(library, "Echo1", static_cast<intptr_t>(-2)), -2);
  const intptr_t calls = CallLibraryFunction(library, "CallCount");
  const intptr_t many[21] = {};
  EXPECT_EQ(CallLibraryFunctionN(library, "Args20", 21, many), 0);
  EXPECT_EQ(CallLibraryFunctionN(library, "Echo1", -1, many), 0);
  EXPECT_EQ(CallLibraryFunction(library, "CallCount"), calls);
  FreeAllSystemLibraries();
}

TEST(SystemLibraryTest, OnlyTheSystemDirectoryIsSearched) {
  const std::string planted = ExeDirectory() + "hid.dll";
  ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "quill_planted_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string copy = folder + "\\hid.dll";
  ASSERT_TRUE(CopyFileA(planted.c_str(), copy.c_str(), FALSE));
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

  CreateLibraryTable();
  EXPECT_EQ(InitHidAccess(), 0);
  EXPECT_EQ(LoadSystemLibrary(-1, "quill_test_exports.dll"), 0);  // beside the exe only
  SetCurrentDirectoryA(previous);

  HANDLE announced = OpenEventA(SYNCHRONIZE, FALSE, "QuillPlantedHidLoaded");
  EXPECT_EQ(announced, nullptr) << "the planted hid.dll was loaded";
  if (announced != nullptr) CloseHandle(announced);
  ASSERT_NE(HidLibrary, 0);
  ASSERT_NE(SetupLibrary, 0);
  EXPECT_NE(HidLibrary, SetupLibrary);
  const intptr_t function = GetLibraryFunction(HidLibrary, "HidD_GetHidGuid");
  ASSERT_NE(function, 0);
  HMODULE module = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(function), &module));
  char loaded[MAX_PATH] = {};
  GetModuleFileNameA(module, loaded, MAX_PATH);
  char system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(_strnicmp(loaded, system, length), 0) << loaded << " is not in " << system;
  FreeAllSystemLibraries();
  DeleteFileA(copy.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(TransferTest, BadArgumentsReturnZeroWithoutAPlatformCall) {
  Pipe pipe;
  uint8_t buffer[9] = {1, 2, 3};
  struct Case {
    HidHandle handle;
    uint8_t* buffer;
    int32_t count;
  };
  const Case cases[] = {
      {0, buffer, 9},
      {AsHid(pipe.write), nullptr, 9},
      {AsHid(pipe.write), buffer, 0},
      {AsHid(pipe.write), buffer, -1},
  };
  for (const Case& c : cases) {
    uint32_t slot = 0xDEADBEEF;
    SetLastError(12345);
    EXPECT_EQ(WriteHidDeviceFull(c.handle, c.buffer, c.count, &slot), 0);
    EXPECT_EQ(ReadHidDeviceFull(c.handle, c.buffer, c.count, &slot), 0);
    EXPECT_EQ(WriteHidDeviceWithin(c.handle, c.buffer, c.count, 1000, WaitPlainly), 0);
    EXPECT_EQ(slot, 0xDEADBEEFu);
    EXPECT_EQ(GetLastError(), 12345u);
  }
  DWORD available = 0;
  PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr);
  EXPECT_EQ(available, 0u);  // nothing was written
  EXPECT_EQ(CloseHidHandle(0), 0);
}

// Runs WriteHidDeviceWithin on its own thread so that a hang fails the test.
struct BoundedWrite {
  HidHandle handle;
  uint32_t limit_ms;
  int32_t result = -1;
  uint32_t error = 0;
  ULONGLONG elapsed_ms = 0;
};

// Thread body: one bounded write, timed.
DWORD WINAPI RunBoundedWrite(LPVOID parameter) {
  auto* write = static_cast<BoundedWrite*>(parameter);
  const ULONGLONG start = GetTickCount64();
  write->result =
      WriteHidDeviceWithin(write->handle, REPORT, 9, write->limit_ms, WaitPlainly, &write->error);
  write->elapsed_ms = GetTickCount64() - start;
  return 0;
}

// A pipe's synchronous write can be cancelled: one blocked past the bound is cancelled within
// the grace time (not given up and left running) and delivers nothing.
TEST(WriteWithinTest, BlockedWriteIsCancelledOnceTheBoundPasses) {
  BlockingPipe pipe;
  ASSERT_NE(pipe.client, INVALID_HANDLE_VALUE);
  BoundedWrite write{AsHid(pipe.client), 200};
  HANDLE thread = CreateThread(nullptr, 0, RunBoundedWrite, &write, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  const DWORD waited = WaitForSingleObject(thread, 10000);  // hang guard
  CloseHandle(thread);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "WriteHidDeviceWithin did not return";
  EXPECT_EQ(write.result, 0);
  EXPECT_EQ(write.error, static_cast<uint32_t>(ERROR_OPERATION_ABORTED));
  std::printf("bounded write of 200 ms returned after %llu ms, error %u\n", write.elapsed_ms,
              write.error);
  DWORD available = 1;
  PeekNamedPipe(pipe.server, nullptr, 0, nullptr, &available, nullptr);
  EXPECT_EQ(available, 0u);  // the cancelled write delivered nothing
}

TEST(WriteWithinTest, AWriteToAVanishedReaderFailsAtOnceWithThePlatformsError) {
  Pipe pipe;
  CloseHandle(pipe.read);
  pipe.read = nullptr;
  uint32_t error = 0;
  EXPECT_EQ(WriteHidDeviceWithin(AsHid(pipe.write), REPORT, 9, 10000, WaitPlainly, &error), 0);
  EXPECT_TRUE(error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) << error;
}

TEST(WriteWithinTest, WriteInTimeGivesItsCount) {
  Pipe pipe;
  EXPECT_EQ(WriteHidDeviceWithin(AsHid(pipe.write), REPORT, 9, 10000, WaitPlainly), 9);
  uint8_t in[9] = {};
  EXPECT_EQ(ReadHidDevice(AsHid(pipe.read), in, 9), 9);
  EXPECT_EQ(std::memcmp(in, REPORT, 9), 0);
}

// A write that its cancel cannot end is given up: its writer stays with it, the handle takes
// no other write and is closed by that writer once the write returns, and a new writer takes
// the next writes.
TEST(WriteWithinTest, AWriteTheCancelCannotEndIsLeftToItsWriterAndANewOneWritesOn) {
  BlockingPipe stuck(FILE_FLAG_OVERLAPPED);
  ASSERT_NE(stuck.client, INVALID_HANDLE_VALUE);
  const HidHandle handle = AsHid(stuck.client);
  uint32_t error = 0;
  EXPECT_EQ(WriteHidDeviceWithin(handle, REPORT, 9, 200, WaitPlainly, &error), 0);
  ASSERT_EQ(error, static_cast<uint32_t>(ERROR_TIMEOUT)) << "not given up";
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(WriteHidDeviceWithin(handle, REPORT, 9, 10000, WaitPlainly, &error), 0);
  EXPECT_LT(GetTickCount64() - start, 100u) << "the refused write waited";
  EXPECT_EQ(error, static_cast<uint32_t>(ERROR_BUSY));
  EXPECT_EQ(CloseHidHandle(handle), 1);
  DWORD flags = 0;
  EXPECT_TRUE(GetHandleInformation(stuck.client, &flags)) << "closed under a running write";

  Pipe pipe;
  for (uint8_t round = 1; round <= 3; ++round) {
    uint8_t out[9] = {0, round};
    ASSERT_EQ(WriteHidDeviceWithin(AsHid(pipe.write), out, 9, 10000, WaitPlainly), 9);
    uint8_t in[9] = {};
    EXPECT_EQ(ReadHidDevice(AsHid(pipe.read), in, 9), 9);
    EXPECT_EQ(in[1], round);
  }

  // The server reads the given-up report: its write returns and its writer closes the client.
  uint8_t in[9] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(stuck.server, in, 9, &read, nullptr));
  EXPECT_TRUE(WaitUntil(
      [&] { return !PeekNamedPipe(stuck.server, nullptr, 0, nullptr, nullptr, nullptr); }, 5000))
      << "the client is still open";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
  EXPECT_FALSE(HasStuckWrite(handle));
  stuck.client = INVALID_HANDLE_VALUE;
}

constexpr UINT SENT_MESSAGE = WM_APP + 1;
constexpr UINT POSTED_MESSAGE = WM_APP + 2;

// Answers the sent test message with 77.
LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == SENT_MESSAGE) return 77;
  return DefWindowProcA(window, message, wparam, lparam);
}

// Sends a message to the waiting thread's window, then reads the blocked report.
struct SendThenRead {
  HWND window;
  HANDLE server;
  BOOL sent = FALSE;
  DWORD_PTR answer = 0;
};

// Thread body: the send (bounded by 5 s) and the read that releases the write.
DWORD WINAPI RunSendThenRead(LPVOID parameter) {
  auto* job = static_cast<SendThenRead*>(parameter);
  job->sent =
      SendMessageTimeoutA(job->window, SENT_MESSAGE, 0, 0, SMTO_NORMAL, 5000, &job->answer) != 0;
  uint8_t in[9];
  DWORD read = 0;
  ReadFile(job->server, in, 9, &read, nullptr);
  return read;
}

// The bounded write composed with the window thread's wait, as the send commands use it.
TEST(WriteWithinTest, SentMessagesAreHandledAndPostedOnesKeptWhileWaiting) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = TestWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "QuillHidTestWindow";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, "QuillHidTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, POSTED_MESSAGE, 0, 0);
  BlockingPipe pipe;
  SendThenRead job{window, pipe.server};
  HANDLE helper = CreateThread(nullptr, 0, RunSendThenRead, &job, 0, nullptr);
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(WriteHidDeviceWithin(AsHid(pipe.client), REPORT, 9, 20000, WaitHandlingSentMessages),
            9);
  EXPECT_EQ(WaitForSingleObject(helper, 10000), WAIT_OBJECT_0);
  CloseHandle(helper);
  EXPECT_TRUE(job.sent) << "the sent message was not handled while waiting";
  EXPECT_EQ(job.answer, 77u);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, window, POSTED_MESSAGE, POSTED_MESSAGE, PM_REMOVE));
  DestroyWindow(window);
}

}  // namespace
