list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/list_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_list.cpp)
