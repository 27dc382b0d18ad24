#include "desktop/MimeType.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>

#include "desktop/DesktopEntry.h"
#include "desktop/MimeAppsList.h"
#include "desktop/MimeDatabaseTool.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "platform/Program.h"

namespace plat {
namespace {

constexpr const char* kMimeNamespace = "http://www.freedesktop.org/standards/shared-mime-info";
// Our own element for the short description: shared-mime-info keeps namespaced elements of
// applications as they are.
constexpr const char* kOwnNamespace = kProgramNamespace;
constexpr const char* kShortElement = "short-description";

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
  note(WriteFileIfDifferent(PackagePath(), PackageXml(type_, long_, short_, IconName()), 0644,
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
    note(WriteFileIfDifferent(IconPath(size), png.toStdString(), 0644, nullptr));
  }

  if (!prefApp_.empty()) {
    bool entryChanged = false;
    note(WriteFileIfDifferent(DesktopEntryPath(prefApp_), DesktopEntryText(AppEntry()), 0644,
                              &entryChanged));
    const std::string applications = ParentOf(DesktopEntryPath(prefApp_));
    struct stat cache;
    if (entryChanged || stat((applications + "/mimeinfo.cache").c_str(), &cache) != 0)
      note(UpdateDesktopDatabase(applications));

    std::string listPath = MimeAppsListPath();
    if (listPath.empty()) {
      note(Outcome::Fail("no user settings folder for mimeapps.list"));
    } else {
      // A missing list starts empty; one that is there but cannot be read is left alone, since
      // rewriting it would drop the user's other associations.
      std::string list;
      Outcome read = ReadWholeFile(listPath, &list);
      struct stat listStat;
      const bool exists = stat(listPath.c_str(), &listStat) == 0;
      if (!read && exists) {
        note(read);
      } else {
        const std::string updated = WithDefaultAppIfUnset(list, type_, DesktopId(prefApp_));
        // Written only when our line was added, keeping the list's permission bits.
        if (updated != list || !exists)
          note(WriteFileIfDifferent(listPath, updated, exists ? listStat.st_mode & 07777 : 0644));
      }
    }
  }

  const std::string mimeDir = data + "/mime";
  struct stat st;
  if (packageChanged || stat((mimeDir + "/mime.cache").c_str(), &st) != 0)
    note(UpdateMimeDatabase(mimeDir));
  return first;
}

std::vector<ActionFile> MimeType::UserDataFiles() const {
  std::vector<ActionFile> files{
      {"mime/packages/" + IconName() + ".xml", PackageXml(type_, long_, short_, IconName()), 0644}};
  for (IconSize size : {IconSize::Large, IconSize::Mini}) {
    if (!(size == IconSize::Large ? hasLarge_ : hasMini_)) continue;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!(size == IconSize::Large ? large_ : mini_).ToImage().save(&buffer, "PNG")) continue;
    files.push_back({std::string("icons/hicolor/") + (size == IconSize::Large ? "32x32" : "16x16") +
                         "/mimetypes/" + IconName() + ".png",
                     png.toStdString(), 0644});
  }
  if (!prefApp_.empty())
    files.push_back({"applications/" + DesktopId(prefApp_), DesktopEntryText(AppEntry()), 0644});
  return files;
}

DesktopEntryFields MimeType::AppEntry() const {
  DesktopEntryFields entry = entry_;
  if (entry.program.empty()) entry.program = AppExecutablePath();
  if (entry.name.empty()) entry.name = LeafOf(entry.program);
  if (entry.iconName.empty()) entry.iconName = IconName();
  // The type leads the entry's types, unless the entry names it already: an entry that opens
  // several types is then written alike by each of them.
  std::vector<std::string> types = entry_.mimeTypes;
  if (std::find(types.begin(), types.end(), type_) == types.end())
    types.insert(types.begin(), type_);
  entry.mimeTypes = types;
  entry.signature = prefApp_;
  return entry;
}

// Reads the package's short (`shortOne`) or long description of the type.
Outcome MimeType::ReadDescription(bool shortOne, std::string* text) const {
  std::string xml;
  Outcome read = ReadWholeFile(PackagePath(), &xml);
  if (!read) return read;
  QXmlStreamReader reader(QByteArray::fromStdString(xml));
  bool inType = false;
  std::string found;
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      const bool isShort = reader.namespaceUri() == QLatin1String(kOwnNamespace) &&
                           reader.name() == QLatin1String(kShortElement);
      // The long description is the comment without a language.
      const bool isLong = reader.name() == QLatin1String("comment") &&
                          reader.attributes().value("xml:lang").isEmpty();
      if (reader.name() == QLatin1String("mime-type"))
        inType = reader.attributes().value("type") == QString::fromStdString(type_);
      else if (inType && (shortOne ? isShort : isLong))
        found = reader.readElementText().toStdString();
    } else if (reader.isEndElement() && reader.name() == QLatin1String("mime-type")) {
      inType = false;
    }
  }
  if (reader.hasError()) return Outcome::Fail("unreadable package '" + PackagePath() + "'");
  if (found.empty())
    return Outcome::Fail(std::string("no ") + (shortOne ? "short" : "long") + " description of " +
                         type_);
  if (text) *text = found;
  return Outcome::Ok();
}

Outcome MimeType::GetShortDescription(std::string* text) const {
  return ReadDescription(true, text);
}

Outcome MimeType::GetLongDescription(std::string* text) const {
  return ReadDescription(false, text);
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
  std::string list;
  Outcome read = ReadWholeFile(MimeAppsListPath(), &list);
  if (!read) return read;
  std::string id;
  if (!DefaultAppOf(list, type_, &id)) return Outcome::Fail("no default application for " + type_);
  const std::string suffix = ".desktop";
  if (id.size() <= suffix.size() || id.compare(id.size() - suffix.size(), suffix.size(), suffix))
    return Outcome::Fail("odd default application '" + id + "' for " + type_);
  if (signature) *signature = "application/" + id.substr(0, id.size() - suffix.size());
  return Outcome::Ok();
}

}  // namespace plat
