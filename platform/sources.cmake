# The file-system layer: one side per kind of system, both in qvcore.
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_common.cpp)
if(WIN32)
  list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_win32.cpp)
else()
  list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_posix.cpp)
endif()
