# The few calls that differ between systems: whole-buffer reads and writes
# and the naming of the output file. POSIX here; a Windows build adds its
# own side of the same header.
list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp)
