#include "platform/MimeType.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <vector>

#include "platform/FileIO.h"
#include "platform/Paths.h"

extern char** environ;

namespace plat {
namespace {

constexpr const char* kMimeNamespace = "http://www.freedesktop.org/standards/shared-mime-info";
// Our own element for the short description: shared-mime-info keeps namespaced elements of
// applications as they are.
constexpr const char* kOwnNamespace = "urn:x-vnd.Telva-Murvel:mime";
constexpr const char* kShortElement = "short-description";
constexpr const char* kDefaultSection = "[Default Applications]";

// Writes `contents` unless the file holds exactly that already. `changed` tells which.
Outcome WriteIfDifferent(const std::string& path, const std::string& contents, mode_t mode,
                         bool* changed) {
  std::string old;
  if (ReadWholeFile(path, &old).ok() && old == contents) {
    if (changed) *changed = false;
    return Outcome::Ok();
  }
  if (!MakeFolderTree(ParentOf(path)))
    return Outcome::Fail("cannot create folder of '" + path + "'");
  if (changed) *changed = true;
  return WriteFileAtomically(path, contents.data(), contents.size(), mode);
}

std::string PackageXml(const std::string& type, const std::string& longText,
                       const std::string& shortText, const std::string& iconName) {
  QByteArray out;
  QXmlStreamWriter xml(&out);
  xml.setAutoFormatting(true);
  xml.writeStartDocument();
  xml.writeDefaultNamespace(kMimeNamespace);
  xml.writeNamespace(kOwnNamespace, "murvel");
  xml.writeStartElement(kMimeNamespace, "mime-info");
  xml.writeStartElement(kMimeNamespace, "mime-type");
  xml.writeAttribute("type", QString::fromStdString(type));
  if (!longText.empty())
    xml.writeTextElement(kMimeNamespace, "comment", QString::fromStdString(longText));
  if (!shortText.empty())
    xml.writeTextElement(kOwnNamespace, kShortElement, QString::fromStdString(shortText));
  xml.writeEmptyElement(kMimeNamespace, "icon");
  xml.writeAttribute("name", QString::fromStdString(iconName));
  xml.writeEndElement();
  xml.writeEndElement();
  xml.writeEndDocument();
  return out.toStdString();
}

// The Exec= value: the program quoted as desktop entries want it, then %F (the files). Inside
// the quotes a double quote, backquote, dollar or backslash takes a backslash; the value's own
// string escaping then doubles every backslash, so a dollar is written as two backslashes and
// the dollar, a backslash as four backslashes.
std::string ExecLine(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      quoted += "\\\\";
      quoted += c == '\\' ? "\\\\" : std::string(1, c);
    } else if (c == '%') {
      quoted += "%%";
    } else {
      quoted += c;
    }
  }
  return quoted + "\" %F";
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Sets "<type>=<desktop id>;" in the default-applications section, keeping everything else.
std::string WithDefaultApp(const std::string& list, const std::string& type,
                           const std::string& desktopId) {
  std::vector<std::string> lines = Lines(list);
  const std::string entry = type + "=" + desktopId + ";";
  bool inSection = false;
  int sectionAt = -1;
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string t = Trimmed(lines[i]);
    if (!t.empty() && t[0] == '[') {
      if (inSection) {
        lines.insert(lines.begin() + long(i), entry);
        done = true;
      }
      inSection = t == kDefaultSection;
      if (inSection) sectionAt = int(i);
      continue;
    }
    if (inSection && Trimmed(t.substr(0, t.find('='))) == type &&
        t.find('=') != std::string::npos) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (sectionAt < 0) {
      if (!lines.empty() && !Trimmed(lines.back()).empty()) lines.push_back("");
      lines.push_back(kDefaultSection);
    }
    lines.push_back(entry);
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// Runs update-mime-database on `mimeDir`; a missing tool is no failure (the files are in place
// and the next run of the tool picks them up).
Outcome UpdateMimeDatabase(const std::string& mimeDir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Our standard output carries the program's own diagnostics only.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"update-mime-database", mimeDir.c_str(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == ENOENT) return Outcome::Ok();
  if (rc != 0)
    return Outcome::Fail(std::string("cannot run update-mime-database: ") + std::strerror(rc));
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return Outcome::Fail("lost update-mime-database");
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return Outcome::Ok();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return Outcome::Fail("update-mime-database failed on '" + mimeDir + "'");
  return Outcome::Ok();
}

std::string DataFolder() {
  std::string dir;
  return FindUserDataDirectory(&dir) ? dir : std::string();
}

}  // namespace

void MimeType::SetIcon(const Bitmap& icon, IconSize size) {
  Bitmap& target = size == IconSize::Large ? large_ : mini_;
  target.SetBits(icon.Bits(), icon.BitsLength());
  (size == IconSize::Large ? hasLarge_ : hasMini_) = true;
}

std::string MimeType::IconName() const {
  std::string name = type_;
  for (char& c : name)
    if (c == '/') c = '-';
  return name;
}

std::string MimeType::PackagePath() const {
  std::string data = DataFolder();
  return data.empty() ? data : data + "/mime/packages/" + IconName() + ".xml";
}

std::string MimeType::IconPath(IconSize size) const {
  std::string data = DataFolder();
  if (data.empty()) return data;
  return data + "/icons/hicolor/" + (size == IconSize::Large ? "32x32" : "16x16") + "/mimetypes/" +
         IconName() + ".png";
}

std::string MimeType::DesktopId(const std::string& signature) {
  const std::string prefix = "application/";
  std::string id = signature.compare(0, prefix.size(), prefix) == 0
                       ? signature.substr(prefix.size())
                       : signature;
  for (char& c : id)
    if (c == '/') c = '-';
  return id + ".desktop";
}

std::string MimeType::DesktopEntryPath(const std::string& signature) {
  std::string data = DataFolder();
  return data.empty() ? data : data + "/applications/" + DesktopId(signature);
}

std::string MimeType::MimeAppsListPath() {
  std::string config;
  return FindUserSettingsDirectory(&config, false) ? config + "/mimeapps.list" : std::string();
}

Outcome MimeType::Install() {
  const std::string data = DataFolder();
  if (data.empty()) return Outcome::Fail("no user data folder (XDG_DATA_HOME, HOME)");
  Outcome first = Outcome::Ok();
  auto note = [&first](Outcome o) {
    if (first.ok() && !o.ok()) first = std::move(o);
  };

  bool packageChanged = false;
  note(WriteIfDifferent(PackagePath(), PackageXml(type_, long_, short_, IconName()), 0644,
                        &packageChanged));

  for (IconSize size : {IconSize::Large, IconSize::Mini}) {
    if (!(size == IconSize::Large ? hasLarge_ : hasMini_)) continue;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!(size == IconSize::Large ? large_ : mini_).ToImage().save(&buffer, "PNG")) {
      note(Outcome::Fail("cannot encode the icon of " + type_));
      continue;
    }
    note(WriteIfDifferent(IconPath(size), png.toStdString(), 0644, nullptr));
  }

  if (!prefApp_.empty()) {
    std::string exe = appExe_.empty() ? AppExecutablePath() : appExe_;
    std::string entry = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=" +
                        (appName_.empty() ? LeafOf(exe) : appName_) + "\nExec=" + ExecLine(exe) +
                        "\nIcon=" + IconName() + "\nTerminal=false\nMimeType=" + type_ +
                        ";\nX-Signature=" + prefApp_ + "\n";
    note(WriteIfDifferent(DesktopEntryPath(prefApp_), entry, 0644, nullptr));

    std::string listPath = MimeAppsListPath();
    if (listPath.empty()) {
      note(Outcome::Fail("no user settings folder for mimeapps.list"));
    } else {
      std::string list;
      (void)ReadWholeFile(listPath, &list);  // a missing list starts empty
      note(WriteIfDifferent(listPath, WithDefaultApp(list, type_, DesktopId(prefApp_)), 0644,
                            nullptr));
    }
  }

  const std::string mimeDir = data + "/mime";
  struct stat st;
  if (packageChanged || stat((mimeDir + "/mime.cache").c_str(), &st) != 0)
    note(UpdateMimeDatabase(mimeDir));
  return first;
}

Outcome MimeType::ReadDescriptions(std::string* shortText, std::string* longText) const {
  std::string xml;
  Outcome read = ReadWholeFile(PackagePath(), &xml);
  if (!read) return read;
  QXmlStreamReader reader(QByteArray::fromStdString(xml));
  bool inType = false;
  bool haveShort = false, haveLong = false;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      if (reader.name() == QLatin1String("mime-type")) {
        inType = reader.attributes().value("type") == QString::fromStdString(type_);
      } else if (inType && reader.name() == QLatin1String("comment") &&
                 reader.attributes().value("xml:lang").isEmpty()) {
        *longText = reader.readElementText().toStdString();
        haveLong = true;
      } else if (inType && reader.namespaceUri() == QLatin1String(kOwnNamespace) &&
                 reader.name() == QLatin1String(kShortElement)) {
        *shortText = reader.readElementText().toStdString();
        haveShort = true;
      }
    } else if (reader.isEndElement() && reader.name() == QLatin1String("mime-type")) {
      inType = false;
    }
  }
  if (reader.hasError()) return Outcome::Fail("unreadable package '" + PackagePath() + "'");
  if (!haveShort) shortText->clear();
  if (!haveLong) longText->clear();
  return Outcome::Ok();
}

Outcome MimeType::GetShortDescription(std::string* text) const {
  std::string shortText, longText;
  Outcome read = ReadDescriptions(&shortText, &longText);
  if (!read) return read;
  if (shortText.empty()) return Outcome::Fail("no short description of " + type_);
  if (text) *text = shortText;
  return Outcome::Ok();
}

Outcome MimeType::GetLongDescription(std::string* text) const {
  std::string shortText, longText;
  Outcome read = ReadDescriptions(&shortText, &longText);
  if (!read) return read;
  if (longText.empty()) return Outcome::Fail("no long description of " + type_);
  if (text) *text = longText;
  return Outcome::Ok();
}

Outcome MimeType::GetIcon(uint8_t* bits, IconSize size) const {
  const int edge = size == IconSize::Large ? 32 : 16;
  const std::string path = IconPath(size);
  QImage image;
  if (path.empty() || !image.load(QString::fromStdString(path), "PNG"))
    return Outcome::Fail("no icon '" + path + "'");
  if (image.width() != edge || image.height() != edge)
    return Outcome::Fail("icon '" + path + "' is not " + std::to_string(edge) + "x" +
                         std::to_string(edge));
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < edge; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < edge; ++x) {
      QRgb p = line[x];
      bits[y * edge + x] = NearestColorIndex(
          {uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)), uint8_t(qAlpha(p))});
    }
  }
  return Outcome::Ok();
}

Outcome MimeType::GetPreferredApp(std::string* signature) const {
  const std::string path = MimeAppsListPath();
  std::string list;
  Outcome read = ReadWholeFile(path, &list);
  if (!read) return read;
  bool inSection = false;
  for (const std::string& line : Lines(list)) {
    std::string t = Trimmed(line);
    if (!t.empty() && t[0] == '[') {
      inSection = t == kDefaultSection;
      continue;
    }
    size_t eq = t.find('=');
    if (!inSection || eq == std::string::npos || Trimmed(t.substr(0, eq)) != type_) continue;
    std::string id = Trimmed(t.substr(eq + 1));
    id = Trimmed(id.substr(0, id.find(';')));
    const std::string suffix = ".desktop";
    if (id.size() <= suffix.size() || id.compare(id.size() - suffix.size(), suffix.size(), suffix))
      return Outcome::Fail("odd default application '" + id + "' for " + type_);
    if (signature) *signature = "application/" + id.substr(0, id.size() - suffix.size());
    return Outcome::Ok();
  }
  return Outcome::Fail("no default application for " + type_);
}

}  // namespace plat
