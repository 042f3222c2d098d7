list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dos_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/short_name.cpp)
list(APPEND QV_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ui/button_row.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/upper_case_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/edit_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/drop_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/drop_target.cpp)
