#include "platform/gui/Message.h"

#include <cstdio>
#include <cstring>

namespace plat {

const Message::Field* Message::FindField(const char* name) const {
  for (const Field& f : fields_)
    if (f.name == name) return &f;
  return nullptr;
}

Message::Field& Message::FieldFor(const char* name, type_code type) {
  for (Field& f : fields_)
    if (f.name == name && f.type == type) return f;
  fields_.push_back(Field{name, type, {}});
  return fields_.back();
}

void Message::AddRef(const char* name, const std::string& path) {
  AddData(name, B_REF_TYPE, path.data(), path.size());
}

Outcome Message::FindRef(const char* name, int index, std::string* path) const {
  const void* data = nullptr;
  size_t size = 0;
  Outcome found = FindData(name, B_REF_TYPE, index, &data, &size);
  if (!found) return found;
  path->assign(static_cast<const char*>(data), size);
  return Outcome::Ok();
}

void Message::AddData(const char* name, type_code type, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  FieldFor(name, type).items.emplace_back(bytes, bytes + size);
}

Outcome Message::FindData(const char* name, type_code type, int index, const void** data,
                          size_t* size) const {
  const Field* f = FindField(name);
  if (!f) return Outcome::Fail(std::string("no field \"") + name + "\"");
  if (type != B_ANY_TYPE && f->type != type)
    return Outcome::Fail(std::string("field \"") + name + "\" has type " + CodeText(f->type));
  if (index < 0 || size_t(index) >= f->items.size())
    return Outcome::Fail(std::string("field \"") + name + "\" has no item " +
                         std::to_string(index));
  *data = f->items[size_t(index)].data();
  *size = f->items[size_t(index)].size();
  return Outcome::Ok();
}

std::string CodeText(uint32_t code) {
  char text[16];
  bool printable = true;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned c = (code >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) printable = false;
  }
  if (printable)
    std::snprintf(text, sizeof text, "'%c%c%c%c'", char(code >> 24), char(code >> 16),
                  char(code >> 8), char(code));
  else
    std::snprintf(text, sizeof text, "0x%08x", unsigned(code));
  return text;
}

namespace {

// Text items are shown as quoted text with escapes, anything else as hexadecimal bytes.
std::string ItemText(type_code type, const std::vector<uint8_t>& item) {
  std::string out;
  if (type == B_REF_TYPE || type == B_MIME_TYPE || type == B_STRING_TYPE) {
    out += '"';
    for (uint8_t c : item) {
      char esc[8];
      if (c == '"' || c == '\\') {
        out += '\\';
        out += char(c);
      } else if (c < 0x20 || c == 0x7F) {
        std::snprintf(esc, sizeof esc, "\\x%02x", c);
        out += esc;
      } else {
        out += char(c);
      }
    }
    out += '"';
  } else {
    for (size_t i = 0; i < item.size(); ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, i ? " %02x" : "%02x", item[i]);
      out += hex;
    }
  }
  return out;
}

}  // namespace

std::string Message::Dump() const {
  std::string out = "Message(" + CodeText(what) + ")";
  if (dropped_) out += " dropped";
  out += " {\n";
  for (const Field& f : fields_) {
    for (size_t i = 0; i < f.items.size(); ++i) {
      out += "    " + f.name + "[" + std::to_string(i) + "] (" + CodeText(f.type) + ", " +
             std::to_string(f.items[i].size()) + " bytes) = " + ItemText(f.type, f.items[i]) + "\n";
    }
  }
  out += "}\n";
  return out;
}

void Message::PrintToStream() const {
  std::fputs(Dump().c_str(), stdout);
}

}  // namespace plat
