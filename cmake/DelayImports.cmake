# Import libraries that load their DLL on first use rather than at the program's start. Under Wine
# each DLL loaded at start costs the program time before its first instruction, and most of ours
# (drawing, sockets, sound, the shell, accessibility) are needed only once a window or an action
# uses them. Made at configure time from the toolchain's own import libraries.
#
# vp_delay_import_libraries(<out-var> <name>...): <out-var> gets the libraries to link for the named
# system libraries ("gdiplus" for libgdiplus.a), followed by the delay-load helper.
function(vp_delay_import_libraries out)
  get_filename_component(bin_dir "${CMAKE_CXX_COMPILER}" DIRECTORY)
  find_program(VP_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool HINTS "${bin_dir}")
  find_program(VP_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm HINTS "${bin_dir}")
  set(dir "${CMAKE_BINARY_DIR}/delayimp")
  file(MAKE_DIRECTORY "${dir}")
  set(libs "")
  foreach(name ${ARGN})
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=lib${name}.a
                    OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(delay "${dir}/lib${name}_delay.a")
    if(NOT VP_DLLTOOL OR NOT VP_NM OR NOT EXISTS "${import}")
      list(APPEND libs ${name})  # no tools: loaded at start, as any import
      continue()
    endif()
    if(NOT EXISTS "${delay}" OR "${import}" IS_NEWER_THAN "${delay}")
      execute_process(COMMAND "${VP_NM}" -g --defined-only "${import}" OUTPUT_VARIABLE symbols ERROR_QUIET)
      string(REGEX MATCHALL "__imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
      list(TRANSFORM imports REPLACE "^__imp_" "")
      list(REMOVE_DUPLICATES imports)
      list(JOIN imports "\n" exports)
      file(WRITE "${dir}/${name}.def" "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND "${VP_DLLTOOL}" --input-def "${dir}/${name}.def" --dllname ${name}.dll
                              --output-delaylib "${delay}" RESULT_VARIABLE failed)
      if(failed)
        list(APPEND libs ${name})
        continue()
      endif()
    endif()
    list(APPEND libs "${delay}")
  endforeach()
  list(APPEND libs delayimp)
  set(${out} ${libs} PARENT_SCOPE)
endfunction()
