list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/boot_sector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/build_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/build_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/build_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cd_medium.cpp
  ${CMAKE_CURRENT_LIST_DIR}/damaged_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dir_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fat_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/free_space.cpp
  ${CMAKE_CURRENT_LIST_DIR}/geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_estimate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_unpack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/source_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stepped_work.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tree_walk.cpp)
list(APPEND QV_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ui/gauge_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/stat_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/status_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/write_dialog.cpp)
