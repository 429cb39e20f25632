# Fails unless the dynamic symbols that LIBRARY defines are exactly Ferrow's four exports,
# apart from the markers the linker adds to every library.
# Run as: cmake -DLIBRARY=path/Ferrow.so -P check_exports.cmake
execute_process(COMMAND nm -D --defined-only --format=posix ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^[^ ]+" name "${line}")
  if(name)
    list(APPEND names ${name})
  endif()
endforeach()
list(REMOVE_ITEM names __bss_start _edata _end _init _fini)
list(SORT names)
set(expected _AddNewStorage _GetNextFile _ScanIt _StopScan)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "Ferrow exports '${names}', expected '${expected}'")
endif()
