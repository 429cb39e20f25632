# Fails unless the export table of the DLL LIBRARY names exactly the functions in EXPECTED
# (comma-separated), spelled exactly so: no decoration, nothing from the static runtime.
# Run as: cmake -DLIBRARY=bin/Ferrow.dll -DOBJDUMP=x86_64-w64-mingw32-objdump
#               -DEXPECTED=_AddNewStorage,_GetNextFile -P check_dll_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${LIBRARY}")
endif()
# The name table follows "[Ordinal/Name Pointer] Table" as lines "\t[   0] +base[   1] _Name"
# (the "+base[...]" column only in newer binutils); it ends at the first blank line.
string(FIND "${listing}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${LIBRARY} has no export name table")
endif()
string(SUBSTRING "${listing}" ${start} -1 table)
string(REPLACE "\n" ";" lines "${table}")
list(POP_FRONT lines)
set(names "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[ \t]*\\[")
    break()
  endif()
  string(REGEX REPLACE "^.*\\] ([^ ]+)$" "\\1" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports '${names}', expected '${expected}'")
endif()
message(STATUS "${LIBRARY}: ${names}")
