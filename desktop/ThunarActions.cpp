#include "desktop/ThunarActions.h"

#include <sys/stat.h>

#include <QString>
#include <QXmlStreamReader>

#include "platform/FileIO.h"
#include "platform/Paths.h"

namespace plat {
namespace {

constexpr const char* kEmptyActions =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n";

std::string XmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string UniqueId(const FileAction& action) {
  return action.id + "-action";
}

// Where the top-level <action> with our unique id lies in `text` (in UTF-16 units), and where
// the closing </actions> starts.
struct Layout {
  qint64 ourStart = -1, ourEnd = -1;
  qint64 actionsEnd = -1;
};

// The offset of the '<' that opens the tag the reader has just read: the reader stands past its
// '>', and no '<' can come inside a tag.
qint64 TagStart(const QString& text, const QXmlStreamReader& xml) {
  return text.lastIndexOf(QLatin1Char('<'), xml.characterOffset() - 1);
}

Outcome ReadLayout(const QString& text, const QString& uniqueId, Layout* layout) {
  QXmlStreamReader xml(text);
  int depth = 0;  // 1 inside <actions>, 2 inside an <action>, 3 inside one of its fields
  qint64 actionStart = -1;
  bool inUniqueId = false, ours = false;
  QString id;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      ++depth;
      const QStringView name = xml.name();
      if (depth == 1 && name != QLatin1String("actions"))
        return Outcome::Fail("no <actions> element");
      if (depth == 2 && name == QLatin1String("action")) {
        actionStart = TagStart(text, xml);
        ours = false;
      } else if (depth == 3 && actionStart >= 0 && name == QLatin1String("unique-id")) {
        inUniqueId = true;
        id.clear();
      }
    } else if (xml.isCharacters() && inUniqueId) {
      id += xml.text();
    } else if (xml.isEndElement()) {
      if (depth == 3 && inUniqueId) {
        inUniqueId = false;
        ours = ours || id.trimmed() == uniqueId;
      } else if (depth == 2 && actionStart >= 0) {
        if (ours && layout->ourStart < 0) {
          layout->ourStart = actionStart;
          layout->ourEnd = xml.characterOffset();
        }
        actionStart = -1;
      } else if (depth == 1) {
        layout->actionsEnd = TagStart(text, xml);
      }
      --depth;
    }
  }
  if (xml.hasError())
    return Outcome::Fail("not well-formed XML (line " + std::to_string(xml.lineNumber()) +
                         "): " + xml.errorString().toStdString());
  if (layout->actionsEnd < 0) return Outcome::Fail("no <actions> element");
  return Outcome::Ok();
}

std::string UserUcaPath() {
  std::string config;
  return FindUserSettingsDirectory(&config, false) ? config + "/Thunar/uca.xml" : std::string();
}

}  // namespace

std::string ThunarActionElement(const FileAction& a) {
  return "<action>\n\t<icon>" + XmlText(a.iconName) + "</icon>\n\t<name>" + XmlText(a.label) +
         "</name>\n\t<submenu></submenu>\n\t<unique-id>" + XmlText(UniqueId(a)) +
         "</unique-id>\n\t<command>" + XmlText(CommandWord(a.program)) +
         (a.option.empty() ? "" : " " + XmlText(a.option)) + " %f</command>\n\t<description>" +
         XmlText(a.description) +
         "</description>\n\t<range>1</range>\n\t<patterns>*</patterns>\n\t<audio-files/>\n"
         "\t<image-files/>\n\t<other-files/>\n\t<text-files/>\n\t<video-files/>\n</action>";
}

Outcome WithThunarAction(const std::string& uca, const FileAction& action, std::string* merged) {
  // QXmlStreamReader counts in UTF-16 units; a file that survives the round trip through UTF-16
  // unchanged can be cut at those offsets and written back byte for byte.
  const QString text = QString::fromStdString(uca);
  if (text.toStdString() != uca) return Outcome::Fail("not UTF-8 text");
  Layout layout;
  Outcome read = ReadLayout(text, QString::fromStdString(UniqueId(action)), &layout);
  if (!read) return read;
  const QString element = QString::fromStdString(ThunarActionElement(action));
  QString out = text;
  if (layout.ourStart >= 0)
    out.replace(layout.ourStart, layout.ourEnd - layout.ourStart, element);
  else
    out.insert(layout.actionsEnd, element + "\n");
  *merged = out.toStdString();
  return Outcome::Ok();
}

Outcome InstallThunarAction(const FileAction& action) {
  const std::string path = UserUcaPath();
  if (path.empty()) return Outcome::Fail("no user settings folder for Thunar's uca.xml");
  std::string uca;
  struct stat st;
  const bool exists = stat(path.c_str(), &st) == 0;
  if (exists) {
    Outcome read = ReadWholeFile(path, &uca);
    if (!read) return read;
  } else {
    uca = kEmptyActions;
    for (const std::string& dir : SystemConfigDirectories())
      if (ReadWholeFile(dir + "/Thunar/uca.xml", &uca).ok()) break;
  }
  std::string merged;
  Outcome merge = WithThunarAction(uca, action, &merged);
  if (!merge) return Outcome::Fail("'" + path + "' left as it is: " + merge.why());
  if (exists && merged == uca) return Outcome::Ok();
  return WriteFileIfDifferent(path, merged, exists ? st.st_mode & 07777 : 0644);
}

}  // namespace plat
