#include "platform/CodedEmblem.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

namespace plat {
namespace {

// The few GIO calls used, by their C signatures (gio/gfile.h, gio/gfileinfo.h).
struct GError;
using GFileNew = void* (*)(const char*);
using GFileSetAttribute = int (*)(void* file, const char* attribute, int type, void* value,
                                  int flags, void* cancellable, GError** error);
using GFileQueryInfo = void* (*)(void* file, const char* attributes, int flags, void* cancellable,
                                 GError** error);
using GFileInfoGetStringv = char** (*)(void* info, const char* attribute);
using GObjectUnref = void (*)(void*);
using GErrorFree = void (*)(GError*);

constexpr int kTypeInvalid = 0;  // G_FILE_ATTRIBUTE_TYPE_INVALID: unsets the attribute
constexpr int kTypeStringv = 9;  // G_FILE_ATTRIBUTE_TYPE_STRINGV
constexpr const char* kEmblems = "metadata::emblems";

struct Gio {
  GFileNew fileNew = nullptr;
  GFileSetAttribute setAttribute = nullptr;
  GFileQueryInfo queryInfo = nullptr;
  GFileInfoGetStringv getStringv = nullptr;
  GObjectUnref unref = nullptr;
  GErrorFree errorFree = nullptr;
};

// A session bus as GLib finds one: named in the environment, or the user's bus socket.
bool SessionBusThere() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return false;
  struct stat st;
  return stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// GIO's calls, or null when there is no bus or no GIO. Looked for once per process.
const Gio* LoadGio() {
  static Gio gio;
  static const Gio* loaded = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    if (!SessionBusThere()) return;
    void* lib = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    gio.fileNew = reinterpret_cast<GFileNew>(dlsym(lib, "g_file_new_for_path"));
    gio.setAttribute = reinterpret_cast<GFileSetAttribute>(dlsym(lib, "g_file_set_attribute"));
    gio.queryInfo = reinterpret_cast<GFileQueryInfo>(dlsym(lib, "g_file_query_info"));
    gio.getStringv =
        reinterpret_cast<GFileInfoGetStringv>(dlsym(lib, "g_file_info_get_attribute_stringv"));
    gio.unref = reinterpret_cast<GObjectUnref>(dlsym(lib, "g_object_unref"));
    gio.errorFree = reinterpret_cast<GErrorFree>(dlsym(lib, "g_error_free"));
    if (gio.fileNew && gio.setAttribute && gio.queryInfo && gio.getStringv && gio.unref &&
        gio.errorFree)
      loaded = &gio;  // the library stays loaded for the process
  });
  return loaded;
}

}  // namespace

void SetCodedEmblem(const std::string& path, bool coded) {
  const Gio* gio = LoadGio();
  if (!gio || path.empty()) return;
  void* file = gio->fileNew(path.c_str());
  if (!file) return;
  std::string emblem = kCodedEmblem;
  char* emblems[] = {emblem.data(), nullptr};
  GError* error = nullptr;
  gio->setAttribute(file, kEmblems, coded ? kTypeStringv : kTypeInvalid,
                    coded ? static_cast<void*>(emblems) : nullptr, 0, nullptr, &error);
  if (error) gio->errorFree(error);
  gio->unref(file);
}

std::string CodedEmblemsOf(const std::string& path) {
  const Gio* gio = LoadGio();
  if (!gio) return "";
  void* file = gio->fileNew(path.c_str());
  if (!file) return "";
  GError* error = nullptr;
  void* info = gio->queryInfo(file, kEmblems, 0, nullptr, &error);
  std::string out;
  if (info) {
    char** emblems = gio->getStringv(info, kEmblems);
    for (char** e = emblems; e && *e; ++e) out += (out.empty() ? "" : ",") + std::string(*e);
    gio->unref(info);
  }
  if (error) gio->errorFree(error);
  gio->unref(file);
  return out;
}

}  // namespace plat
