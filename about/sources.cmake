list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pong_game.cpp)
list(APPEND QV_GUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ui/about_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui/pong_dialog.cpp
  ${CMAKE_SOURCE_DIR}/resources/about_pictures/about_pictures.cpp)
