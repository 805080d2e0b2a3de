# Size of the Windows builds: the shipped exe links statically, so everything it drags in from
# the C++ runtime ships with it. Included by the main project and by bench/ on its own.
if(WIN32)
  # Every function and datum in its own section, and the linker drops what nothing reaches.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()
