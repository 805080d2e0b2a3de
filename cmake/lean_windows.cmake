# Size of the Windows builds of src/: the shipped exe links the C++ runtime statically, so all
# that the code drags in from it ships too. Included by src/CMakeLists.txt, so the tests keep
# the compiler's defaults. The exe adds its own failure paths (src/app/win32_runtime_errors.cpp).
if(WIN32)
  # Every function and datum in its own section, and the linker drops what nothing reaches.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # No exceptions and no unwind tables: the code raises none and catches none (failures return
  # 0), so the tables and the unwinder they need would only add weight.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> -fno-unwind-tables
                      -fno-asynchronous-unwind-tables)
  # Function-local statics without the runtime's thread-safe guard (which brings the threads
  # library and exceptions with it): each one is first reached on the main thread, before any
  # other thread starts.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
  # NOTE: up to C++17 libstdc++ declares its prebuilt std::string extern, so every use links its
  # string-inst.o (33 KB), whose catch-and-rethrow handlers bring the exception runtime, the
  # unwinder, winpthreads and the verbose terminate handler with the demangler. From C++20 on
  # the compiler instantiates only the members the code uses, here, without exceptions. The
  # code itself stays C++17; the host builds compile it as such.
  set(CMAKE_CXX_STANDARD 20)
endif()
