# The debug information of an executable in a file beside it, <name>.exe.debug, which the executable
# names (with its checksum) so that a debugger finds it. Under Wine an executable's debug sections,
# most of its size, are read in at every start although only a debugger ever reads them: for the
# program that was about 14 ms of each start.
#
# vp_split_debug_info(<target>...)
function(vp_split_debug_info)
  if(NOT CMAKE_OBJCOPY)
    return()  # no tool: the debug information stays inside
  endif()
  foreach(target ${ARGN})
    set(exe "$<TARGET_FILE:${target}>")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "${exe}" "${exe}.debug"
      COMMAND "${CMAKE_OBJCOPY}" --strip-debug "--add-gnu-debuglink=${exe}.debug" "${exe}"
      VERBATIM)
  endforeach()
endfunction()
