# Images onto their media: the sizes of CDs, in qvcore.
list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cd_medium.cpp)
