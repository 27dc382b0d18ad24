#include "platform/ContentType.h"

#include <sys/stat.h>

#include <QMimeDatabase>
#include <QMimeType>

#include "platform/Node.h"
#include "platform/NodeInfo.h"

namespace plat {

std::string ContentTypeOf(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return "";
  Node node(path);
  NodeInfo info(&node);
  char type[B_MIME_TYPE_LENGTH];
  if (info.GetType(type) == 0) return type;
  QMimeDatabase db;
  QMimeType guess = db.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchDefault);
  return guess.isValid() ? guess.name().toStdString() : std::string();
}

}  // namespace plat
