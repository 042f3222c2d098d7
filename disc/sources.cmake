# Copies of images onto their media: the copy to an SD card for a CD
# emulator and the burn onto a CD-R, all in qvcore.
list(APPEND QV_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/card_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disc_burn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/padded_image.cpp)
