#include "platform/gui/LocalPath.h"

#include <unistd.h>

#include <QByteArray>
#include <QUrl>
#include <cerrno>
#include <vector>

namespace plat {

std::string LocalPathOf(const QUrl& url) {
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  std::string out(path.constData(), size_t(path.size()));
  const QString host = url.host();
  if (!host.isEmpty()) out = "//" + host.toStdString() + out;
  return out;
}

std::string PathOfArgument(const char* arg) {
  const std::string raw = arg ? arg : "";
  if (raw.empty()) return raw;
  if (raw.rfind("file://", 0) == 0) return LocalPathOf(QUrl::fromEncoded(QByteArray(arg)));
  if (raw[0] == '/') return raw;
  std::vector<char> cwd(4096);
  while (!getcwd(cwd.data(), cwd.size())) {
    if (errno != ERANGE) return {};
    cwd.resize(cwd.size() * 2);
  }
  std::string folder = cwd.data();
  if (folder.back() != '/') folder += '/';
  return folder + raw;
}

}  // namespace plat
