list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/path_rules.cpp)
list(APPEND QV_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/button_row.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upper_case_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/edit_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drop_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drop_target.cpp)
