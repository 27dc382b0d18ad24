#pragma once
// The messages that travel between the controls, the views, the window and the application: a
// four-character code `what` and named fields, each a list of typed items. File references are
// paths under a field of type B_REF_TYPE ("refs"); dropped text is "text/plain" data of type
// B_MIME_TYPE. The window marks a message that came by drag and drop (WasDropped).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Outcome.h"
#include "platform/TypeCodes.h"

namespace plat {

// Message codes of the windowing layer.
constexpr uint32_t B_SIMPLE_DATA = FourCC("DATA");
constexpr uint32_t B_REFS_RECEIVED = FourCC("RREF");
constexpr uint32_t B_QUIT_REQUESTED = FourCC("_QRQ");

// Item type of an entry reference (a path).
constexpr type_code B_REF_TYPE = FourCC("RREF");

class Message {
 public:
  explicit Message(uint32_t code = 0) : what(code) {}

  uint32_t what;

  // Appends an entry reference (a path) to the field `name`.
  void AddRef(const char* name, const std::string& path);
  // The reference at `index` of the field `name`.
  Outcome FindRef(const char* name, int index, std::string* path) const;

  // Appends `size` bytes of type `type` to the field `name`.
  void AddData(const char* name, type_code type, const void* data, size_t size);
  // The item at `index` of the field `name`, which must have type `type` (B_ANY_TYPE matches
  // every type). `data` points into the message and stays valid while the message is unchanged.
  Outcome FindData(const char* name, type_code type, int index, const void** data,
                   size_t* size) const;

  bool IsEmpty() const { return fields_.empty(); }

  bool WasDropped() const { return dropped_; }
  void SetDropped(bool dropped) { dropped_ = dropped; }

  // A readable listing of the code and every field, one field a line.
  std::string Dump() const;
  // Dump() on standard output.
  void PrintToStream() const;

 private:
  struct Field {
    std::string name;
    type_code type;
    std::vector<std::vector<uint8_t>> items;
  };
  const Field* FindField(const char* name) const;
  Field& FieldFor(const char* name, type_code type);

  std::vector<Field> fields_;
  bool dropped_ = false;
};

// A four-character code as 'ABCD' when printable, else as 0x%08x.
std::string CodeText(uint32_t code);

}  // namespace plat
