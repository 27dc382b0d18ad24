#pragma once
// The codec record: one coding of one file (its leaf name, the password, a six-byte time code
// from the clock) and its text form, the line, which scrambled is the value of the attribute
// "PrivCodec" that marks a coded file. The format is written down in docs/privcodec-format.md.
#include <cstddef>
#include <cstdint>

#include "platform/SecretMemory.h"

// Attribute name and the largest value a reader takes in.
constexpr const char* kPrivCodecAttr = "PrivCodec";
constexpr int kPrivCodecReadMax = 511;
// A value of this many bytes or more marks a coded file.
constexpr int kPrivCodecMinBytes = 5;
// L = 9 + n + p must fit one byte.
constexpr int kMaxNamePlusPass = 246;

class CCO {
 public:
  CCO();
  virtual ~CCO();
  // A record holds its password in plain: one made with new lives in secret memory.
  static void* operator new(size_t size) { return plat::SecretAlloc(size); }
  static void operator delete(void* data, size_t size) { plat::SecretFree(data, size); }

  // Dumps the 20 bytes at `data` (which must hold at least 20) and sets the valid flag.
  virtual bool Init(char* data);
  // Fills the record for a new coding with a fresh time code. Name and password together must
  // fit one line (kMaxNamePlusPass bytes): the password is kept whole (up to that limit) and the
  // name is shortened to what fits, cut back to a UTF-8 character boundary.
  virtual void GenerateC(const char* name, const char* password);
  virtual bool IsGoodMen();
  virtual char* NPass();
  virtual char* GetFTime();
  // Builds and scrambles the line; the attribute value is its first LineLength() + 1 bytes.
  virtual char* CodeLine();
  // Rebuilds the record from a stored value and returns L, its first byte. Reads the first L
  // bytes of text (only text[0] when L is 0), nothing more.
  virtual int DecodeLine(const char* text);
  virtual char* CTime(char* text);
  virtual void NTime();
  virtual void PrintToStream();
  virtual void PrintToView();
  virtual void PrintToTerminal();
  virtual char* NewText();
  virtual void PrintAsHex(const char* data, int last);
  virtual void PrintAsAsc(const char* data, int last);
  virtual void PrintAsDez(const char* data, int last);

  // The same from a value of which only `available` bytes are at hand: bytes the value claims
  // beyond them count as zeros. Nothing outside text[0 .. available - 1] is read.
  int DecodeLine(const char* text, size_t available);

  // L, the length of the last line built or read (0 until then): the attribute value is L + 1
  // bytes of CodeLine().
  uint8_t LineLength() const { return lineLen_; }
  uint8_t NameLength() const { return nameLen_; }
  uint8_t PassLength() const { return passLen_; }
  const char* Name() const { return name_; }

  // The status view that PrintToView() writes to. Nothing in the program sets it; a tool or test
  // that wants the record's own inspection (CCOInspect.h) does.
  using StatusSink = void (*)(void* context, const char* text);
  void SetStatusView(StatusSink sink, void* context) {
    statusView_ = sink;
    statusContext_ = context;
  }
  // Writes `text` to the status view, when there is one.
  void ToView(const char* text) {
    if (statusView_ != nullptr) statusView_(statusContext_, text);
  }

 private:
  char line_[1200];
  bool valid_;
  uint8_t timeLen_;
  uint8_t nameLen_;
  uint8_t passLen_;
  uint8_t lineLen_;
  char time_[20];
  char name_[256];
  char pass_[256];
  StatusSink statusView_ = nullptr;
  void* statusContext_ = nullptr;
};
