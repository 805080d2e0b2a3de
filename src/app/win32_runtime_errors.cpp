// The C++ runtime's failure paths for the exe, which is built without exceptions: running out
// of memory, and the checks inside the prebuilt standard library, end the process at once.
// NOTE: an exception thrown here could never be caught (nothing catches, and the code carries
// no unwind tables), so it would end the process through std::terminate anyway; these
// definitions keep the library's throwing versions, its exception support and its verbose
// terminate handler (with the demangler) out of the link. A library path that still needs one
// of its own throwing helpers then fails to link with a duplicate definition.
#include <cstdlib>
#include <new>

namespace {

// Ends the process as an uncaught exception would.
[[noreturn]] void EndOnRuntimeError() {
  std::abort();
}

// Returns a block of at least `size` bytes, or null.
void* TakeMemory(std::size_t size) {
  return std::malloc(size != 0 ? size : 1);
}

// Returns a block of at least `size` bytes; ends the process when there is none.
void* TakeMemoryOrEnd(std::size_t size) {
  void* block = TakeMemory(size);
  if (block == nullptr) EndOnRuntimeError();
  return block;
}

}  // namespace

// The replaceable allocation functions.
void* operator new(std::size_t size) {
  return TakeMemoryOrEnd(size);
}
void* operator new[](std::size_t size) {
  return TakeMemoryOrEnd(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return TakeMemory(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return TakeMemory(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

// The standard library's error helpers that its inline and prebuilt code calls.
namespace std {
void __throw_bad_alloc() {
  EndOnRuntimeError();
}
void __throw_bad_array_new_length() {
  EndOnRuntimeError();
}
void __throw_length_error(const char*) {
  EndOnRuntimeError();
}
void __throw_logic_error(const char*) {
  EndOnRuntimeError();
}
void __throw_out_of_range_fmt(const char*, ...) {
  EndOnRuntimeError();
}
void __throw_system_error(int) {
  EndOnRuntimeError();
}
}  // namespace std
