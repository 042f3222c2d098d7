# Copies of images onto their media: the sizes of CDs and the copy to an
# SD card for a CD emulator, all in qvcore.
list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/card_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cd_medium.cpp)
