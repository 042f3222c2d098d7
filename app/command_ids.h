// Command and control ids, with the program's fixed numbers.
#pragma once

enum TCommandId : int {
  CmDelete = 101,
  CmInsert = 102,
  CmEdit = 103,
  CmCreateImage = 104,
  CmRunFileManager = 105,
  // the list files and opening an image
  CmNewList = 106,
  CmOpenList = 107,
  CmSaveList = 108,
  CmSaveListAs = 109,
  CmOpenImage = 110,
  // putting an image onto its medium
  CmBurnImage = 111,
  CmCopyToCard = 112,
  CmQuit = 190,
  CmAbout = 199,
  // dialogs
  IdAboutDialog = 200,
  IdDropDialog = 210,
  IdDropDestEdit = 211,
  IdDropDefault = 212,
  IdEditDialog = 220,
  IdImageEdit = 221,
  IdRealEdit = 222,
  IdActionButton = 223,
  IdWriteDialog = 230,
  IdStatusText = 231,
  IdGauge = 232,
  IdStatDialog = 240,
  IdPongDialog = 250,
  IdPongField = 251,
  IdPongScore = 252,
};
