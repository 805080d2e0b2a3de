# Size of the Windows builds: the shipped exe links statically, so everything it drags in from
# the C++ runtime ships with it. Included by the main project and by bench/ on its own.
if(WIN32)
  # Every function and datum in its own section, and the linker drops what nothing reaches.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # No exceptions and no unwind tables: the code raises none and catches none (failures return
  # 0), so the tables and the unwinder they need would only add weight.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> -fno-unwind-tables
                      -fno-asynchronous-unwind-tables)
  # Function-local statics without the runtime's thread-safe guard (which brings its own
  # threads library and exceptions): each one is first reached on the main thread, before any
  # other thread starts.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
  set(CMAKE_CXX_STANDARD 20)
endif()
