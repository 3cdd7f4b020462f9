# Delay-loaded imports of Rigmate.exe: the DLLs that the first window does not need load
# at their first call instead of before the program starts (under Wine, COM's libraries
# alone cost the start about a tenth of a bare dialog's time). A function of these DLLs
# that the program starts to call needs its line in cmake/delayload/<dll>.def, or the
# link takes it from the ordinary import library and the DLL loads at start again
# (tools/bench-startup shows it).
find_program(RIGMATE_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)

function(rigmate_delay_imports target)
  foreach(dll IN LISTS ARGN)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(lib ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
      COMMAND ${RIGMATE_DLLTOOL} --kill-at --input-def ${def} --output-delaylib ${lib}
      DEPENDS ${def}
      VERBATIM)
    list(APPEND libs ${lib})
  endforeach()
  add_custom_target(${target}_delay_imports DEPENDS ${libs})
  add_dependencies(${target} ${target}_delay_imports)
  # Ahead of the ordinary import libraries, which the linker would take otherwise.
  target_link_libraries(${target} PRIVATE ${libs} delayimp)
endfunction()
