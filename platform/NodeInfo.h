#pragma once
// What the desktop knows of a file beside its bytes: its MIME type, its preferred application
// (for opening) and its large (32x32) and mini (16x16) icons, all kept as attributes:
//   type                   user.mime_type          (freedesktop shared-mime-info convention)
//   preferred application  user.BEOS:PREF_APP      (the application's signature as text)
//   large icon             user.BEOS:L:STD_ICON    (1024 bytes, 8-bit colour-mapped)
//   mini icon              user.BEOS:M:STD_ICON    (256 bytes, 8-bit colour-mapped)
// The coding transaction reads and removes the same attributes directly, so both paths meet.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Node.h"

namespace plat {

constexpr const char* kTypeAttr = "mime_type";
constexpr const char* kPrefAppAttr = "BEOS:PREF_APP";
constexpr const char* kLargeIconAttr = "BEOS:L:STD_ICON";
constexpr const char* kMiniIconAttr = "BEOS:M:STD_ICON";
constexpr size_t kLargeIconBytes = 1024;
constexpr size_t kMiniIconBytes = 256;
constexpr size_t B_MIME_TYPE_LENGTH = 256;

enum class IconSize { Large, Mini };

class NodeInfo {
 public:
  NodeInfo() = default;
  explicit NodeInfo(Node* node) { SetTo(node); }
  // Usable (InitCheck() == 0) when the node is valid.
  int SetTo(Node* node);
  int InitCheck() const;

  // The stored type, zero-terminated into `type` (B_MIME_TYPE_LENGTH bytes). A file without
  // the attribute has no type: negative errno. 0 on success.
  int GetType(char* type) const;
  // Stores the type (text without terminator). 0 or a negative errno.
  int SetType(const char* type);
  // Removes the stored type, so the file is typed by its contents again.
  int RemoveType();

  // Preferred application for opening; same conventions as the type.
  int GetPreferredApp(char* signature) const;
  int SetPreferredApp(const char* signature);

  // Icon bits: exactly 1024 (Large) or 256 (Mini) bytes. Get fails unless the stored value has
  // exactly that size.
  int GetIcon(uint8_t* bits, IconSize size) const;
  int SetIcon(const uint8_t* bits, IconSize size);

 private:
  Node* node_ = nullptr;
};

}  // namespace plat
