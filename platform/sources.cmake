# The file-system layer and the disc drive: what both kinds of system
# share, then one side per kind, all in qvcore. The Linux side of the drive
# binds libburn (GPL-2+, linked by the Linux programs); Windows has no
# drive side yet.
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_system_common.cpp)
if(WIN32)
  list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/file_system_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/disc_drive_none.cpp)
else()
  list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/file_system_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp
    ${CMAKE_CURRENT_LIST_DIR}/disc_drive_libburn.cpp)
endif()
