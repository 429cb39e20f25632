# Fails unless the program PROGRAM needs no GTK library of its own and the window module MODULE
# does (it finds GTK through its own link) and makes only its one factory visible.
# Run as: cmake -DPROGRAM=path/Tamsel -DMODULE=path/TamselGtk.so -P check_gtk_module.cmake
function(needed_libraries file out)
  execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${file}")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" entries "${listing}")
  set(${out} "${entries}" PARENT_SCOPE)
endfunction()

needed_libraries(${PROGRAM} program_needs)
if(program_needs MATCHES "lib(gtk|gdk)-3")
  message(FATAL_ERROR "${PROGRAM} links GTK: ${program_needs}")
endif()
needed_libraries(${MODULE} module_needs)
if(NOT module_needs MATCHES "libgtk-3\\.so")
  message(FATAL_ERROR "${MODULE} does not link GTK: ${module_needs}")
endif()

execute_process(COMMAND nm -D --defined-only --format=posix ${MODULE}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "(^|\n)[^ \n]+" names "${symbols}")
string(REPLACE "\n" "" names "${names}")
list(REMOVE_ITEM names __bss_start _edata _end _init _fini)
if(NOT names STREQUAL "OruMakeGtkWindow")
  message(FATAL_ERROR "${MODULE} exports '${names}', expected 'OruMakeGtkWindow'")
endif()
