# Small Windows programs. A classic Win32 tool of this size needs no C++ runtime library,
# and most of a statically linked MinGW program's bytes came from it (the string and
# exception machinery, the unwinder, the demangler, the threads library behind them), so
# the programs and the core libraries they link are built without exceptions and RTTI and
# linked by the C driver: libstdc++ is not on the link line at all, and a use of it fails
# the link instead of quietly adding a hundred KB. Unused functions are dropped, and
# release builds are optimised for size and stripped.

# The compile options of a program's or a core library's own sources. No -fdata-sections:
# with it MinGW's GCC puts zero-initialised objects into .data$<name> sections instead of
# .bss, so the runner's state record (12.5 KB of launch-failure bits) would be stored in
# the file as zeros.
function(tarvilo_small_code target)
  target_compile_options(${target} PRIVATE
    -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables
    -ffunction-sections
    $<$<CONFIG:Release,MinSizeRel>:-Os>)
endfunction()

# The same for a program, which is also linked small.
function(tarvilo_small_program target)
  tarvilo_small_code(${target})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
  target_link_options(${target} PRIVATE -Wl,--gc-sections $<$<CONFIG:Release,MinSizeRel>:-s>)
endfunction()
