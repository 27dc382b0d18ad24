#pragma once
// A file type in the user's freedesktop MIME database: its descriptions, its two icons and the
// application that opens it. The setters only collect the values; Install() writes them:
//   $XDG_DATA_HOME/mime/packages/<type with '/' as '-'>.xml   shared-mime-info package: the long
//       description as <comment>, the short one as the namespaced <murvel:short-description>
//   $XDG_DATA_HOME/icons/hicolor/{32x32,16x16}/mimetypes/<icon name>.png   the icons, where the
//       icon name is the type with '/' turned into '-' ("text-x-CodedData")
//   $XDG_DATA_HOME/applications/<desktop id>   the opening program's desktop entry, naming the
//       type (first) and any further types in MimeType= and running the program with %F
//   $XDG_CONFIG_HOME/mimeapps.list   the desktop entry as the type's default application, only
//       when the list names no default for the type yet (a user's choice is kept)
// and then runs update-mime-database on $XDG_DATA_HOME/mime and update-desktop-database on
// $XDG_DATA_HOME/applications when the tools are present.
// The desktop id of a signature "application/<name>" is "<name>.desktop".
// Files whose contents are already what would be written are left alone, and a cache is rebuilt
// only when what it indexes changed or it has never been built.
// The getters read back what is installed, from the same files.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "desktop/DesktopEntry.h"
#include "desktop/FileManagerActions.h"
#include "platform/Bitmap.h"
#include "platform/NodeInfo.h"
#include "platform/Outcome.h"

namespace plat {

class MimeType {
 public:
  explicit MimeType(std::string type) : type_(std::move(type)) {}
  const std::string& Type() const { return type_; }

  void SetShortDescription(const std::string& text) { short_ = text; }
  void SetLongDescription(const std::string& text) { long_ = text; }
  // 32x32 (Large) or 16x16 (Mini) colour-mapped picture; copied.
  void SetIcon(const Bitmap& icon, IconSize size);
  // The signature of the application that opens the type ("application/x-vnd.Telva-Murvel"),
  // and the program its desktop entry runs (the running executable when not set).
  void SetPreferredApp(const std::string& signature) { prefApp_ = signature; }
  void SetAppExecutable(const std::string& path) { entry_.program = path; }
  // The name the desktop shows for that program (the executable's leaf name when not set).
  void SetAppName(const std::string& name) { entry_.name = name; }
  // All of that program's desktop entry at once. Left empty, the program, name and icon take
  // the defaults above (the icon: the type's); the type itself leads its MimeType= unless the
  // entry names it among its types, whose order is then kept (so that the types of one program
  // write one entry).
  void SetAppEntry(const DesktopEntryFields& entry) { entry_ = entry; }

  // Writes everything set so far (see above). Every step is tried; the outcome names the first
  // that failed.
  Outcome Install();

  // The files Install() writes into the user's data folder, as it writes them: the package, the
  // icons set, the desktop entry (with a preferred application). mimeapps.list is not among them.
  std::vector<ActionFile> UserDataFiles() const;

  // Read-back of the installed type.
  Outcome GetShortDescription(std::string* text) const;
  Outcome GetLongDescription(std::string* text) const;
  // Exactly 1024 (Large) or 256 (Mini) colour-mapped bytes, from the installed PNG.
  Outcome GetIcon(uint8_t* bits, IconSize size) const;
  // The signature of the default application in mimeapps.list.
  Outcome GetPreferredApp(std::string* signature) const;

  // File locations (for tools and tests); empty when no data/config folder can be found.
  std::string PackagePath() const;
  std::string IconPath(IconSize size) const;
  std::string IconName() const;
  static std::string DesktopId(const std::string& signature);
  static std::string DesktopEntryPath(const std::string& signature);
  static std::string MimeAppsListPath();

 private:
  Outcome ReadDescription(bool shortOne, std::string* text) const;
  // The desktop entry as written: entry_ with its defaults filled in.
  DesktopEntryFields AppEntry() const;

  std::string type_;
  std::string short_;
  std::string long_;
  std::string prefApp_;
  DesktopEntryFields entry_;
  bool hasLarge_ = false;
  bool hasMini_ = false;
  Bitmap large_{32, 32};
  Bitmap mini_{16, 16};
};

}  // namespace plat
