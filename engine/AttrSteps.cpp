#include "engine/AttrSteps.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

plat::Outcome Failed(const char* what, const char* name, long err) {
  return plat::Outcome::Fail(std::string(what) + " " + name + ": " + std::strerror(int(-err)));
}

}  // namespace

plat::Outcome WriteWhole(plat::Node& node, const char* name, plat::type_code type, const void* data,
                         size_t len) {
  ssize_t r = node.WriteAttr(name, type, 0, data, len);
  if (r < 0) return Failed("can't write", name, r);
  if (size_t(r) != len) return plat::Outcome::Fail(std::string("short write of ") + name);
  return plat::Outcome::Ok();
}

plat::Outcome WriteText(plat::Node& node, const char* name, const char* text) {
  return WriteWhole(node, name, plat::B_STRING_TYPE, text, std::strlen(text) + 1);
}

plat::Outcome RemoveIfThere(plat::Node& node, const char* name) {
  int r = node.RemoveAttr(name);
  if (r != 0 && r != -ENODATA) return Failed("can't remove", name, r);
  return plat::Outcome::Ok();
}

plat::Outcome ReadText(const plat::Node& node, const char* name, char* text, bool* found) {
  *found = false;
  text[0] = '\0';
  char buf[kAttrTextMax + 1];  // one byte more: a longer value is seen as such
  ssize_t r = node.ReadAttr(name, plat::B_STRING_TYPE, 0, buf, sizeof buf);
  if (r == -ENODATA) return plat::Outcome::Ok();
  if (r < 0) return Failed("can't read", name, r);
  size_t len = strnlen(buf, size_t(r));
  if (len >= kAttrTextMax) {
    return plat::Outcome::Fail(std::string("the value of ") + name + " is too long to keep");
  }
  std::memcpy(text, buf, len);
  text[len] = '\0';
  *found = len > 0;
  return plat::Outcome::Ok();
}

plat::Outcome ReadExact(const plat::Node& node, const char* name, void* bits, size_t size,
                        bool* found) {
  *found = false;
  std::vector<uint8_t> buf(size + 1);  // one byte more: a longer value is seen as such
  ssize_t r = node.ReadAttr(name, plat::B_ANY_TYPE, 0, buf.data(), buf.size());
  if (r == -ENODATA) return plat::Outcome::Ok();
  if (r < 0) return Failed("can't read", name, r);
  if (size_t(r) == size) {
    std::memcpy(bits, buf.data(), size);
    *found = true;
  }
  return plat::Outcome::Ok();
}
