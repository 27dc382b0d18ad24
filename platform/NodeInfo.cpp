#include "platform/NodeInfo.h"

#include <cstring>

namespace plat {
namespace {

// Reads a text attribute into `out` (B_MIME_TYPE_LENGTH bytes, zero-terminated). A trailing
// terminator stored with the value is dropped; an empty or over-long value is no value.
int ReadText(const Node& node, const char* attr, char* out) {
  if (!out) return -EINVAL;
  char buf[B_MIME_TYPE_LENGTH + 1];
  ssize_t n = node.ReadAttr(attr, buf, sizeof buf);
  if (n < 0) return int(n);
  while (n > 0 && buf[n - 1] == '\0') --n;
  if (n == 0) return -ENODATA;
  if (size_t(n) >= B_MIME_TYPE_LENGTH) return -ENAMETOOLONG;
  std::memcpy(out, buf, size_t(n));
  out[n] = '\0';
  return 0;
}

int WriteText(Node& node, const char* attr, const char* text) {
  if (!text || !*text) return -EINVAL;
  size_t len = std::strlen(text);
  if (len >= B_MIME_TYPE_LENGTH) return -ENAMETOOLONG;
  ssize_t n = node.WriteAttr(attr, text, len);
  return n < 0 ? int(n) : 0;
}

}  // namespace

int NodeInfo::SetTo(Node* node) {
  node_ = node;
  return InitCheck();
}

int NodeInfo::InitCheck() const {
  if (!node_) return -EBADF;
  return node_->InitCheck() == 0 ? 0 : -EBADF;
}

int NodeInfo::GetType(char* type) const {
  if (InitCheck() != 0) return -EBADF;
  return ReadText(*node_, kTypeAttr, type);
}

int NodeInfo::SetType(const char* type) {
  if (InitCheck() != 0) return -EBADF;
  return WriteText(*node_, kTypeAttr, type);
}

int NodeInfo::RemoveType() {
  if (InitCheck() != 0) return -EBADF;
  return node_->RemoveAttr(kTypeAttr);
}

int NodeInfo::GetPreferredApp(char* signature) const {
  if (InitCheck() != 0) return -EBADF;
  return ReadText(*node_, kPrefAppAttr, signature);
}

int NodeInfo::SetPreferredApp(const char* signature) {
  if (InitCheck() != 0) return -EBADF;
  return WriteText(*node_, kPrefAppAttr, signature);
}

int NodeInfo::GetIcon(uint8_t* bits, IconSize size) const {
  if (InitCheck() != 0) return -EBADF;
  if (!bits) return -EINVAL;
  const bool large = size == IconSize::Large;
  const size_t want = large ? kLargeIconBytes : kMiniIconBytes;
  uint8_t buf[kLargeIconBytes + 1];
  ssize_t n = node_->ReadAttr(large ? kLargeIconAttr : kMiniIconAttr, buf, want + 1);
  if (n < 0) return int(n);
  if (size_t(n) != want) return -EINVAL;
  std::memcpy(bits, buf, want);
  return 0;
}

int NodeInfo::SetIcon(const uint8_t* bits, IconSize size) {
  if (InitCheck() != 0) return -EBADF;
  if (!bits) return -EINVAL;
  const bool large = size == IconSize::Large;
  const size_t want = large ? kLargeIconBytes : kMiniIconBytes;
  ssize_t n = node_->WriteAttr(large ? kLargeIconAttr : kMiniIconAttr, bits, want);
  return n < 0 ? int(n) : 0;
}

}  // namespace plat
