#pragma once
// The window's working state that the file work reads and writes: the current file, the entered
// password, the flags that the inspection sets, the two codec records, the cipher state and the
// buffers that icons and the record's raw value pass through. The window owns one; the
// command-line tool owns one of its own.
#include <cstdint>
#include <memory>
#include <string>

#include "codec/CCO.h"
#include "platform/Bitmap.h"

struct WorkState {
  WorkState() : fileRecord(new CCO), workingRecord(new CCO) {}

  uint8_t largeIcon[1024] = {};  // a 32x32 icon on its way between attributes
  uint8_t miniIcon[256] = {};    // a 16x16 icon likewise
  plat::Bitmap largeBitmap{32, 32};
  plat::Bitmap miniBitmap{16, 16};

  char attrBuffer[512] = {};  // raw PrivCodec value, at most 511 bytes read, always terminated
  int32_t attrSize = 0;       // result of the last PrivCodec read: byte count or negative errno
  char linkTarget[1024] = {};

  uint8_t cipherKey[6] = {};
  uint8_t keyIndex = 0;
  uint8_t byteCounter = 0;

  std::string currentPath;
  bool workable = false;
  bool coded = false;
  bool watch = false;
  bool passwordSet = false;
  char password[21] = {};  // at most 20 characters, terminated

  // Created in this order: the file record (rebuilt from a coded file), then the working record
  // (generated for the file being coded).
  std::unique_ptr<CCO> fileRecord;
  std::unique_ptr<CCO> workingRecord;
};
