# The file-system layer: what both kinds of system share, then one side per
# kind, all in qvcore.
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_common.cpp)
if(WIN32)
  list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_win32.cpp)
else()
  list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/file_system_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp)
endif()
