#include "platform/CodedEmblem.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>

namespace plat {
namespace {

// How long a caller waits for one mark or look. A call that answers takes a millisecond or two,
// the first of a run some tens (GIO loaded, the bus reached, the metadata daemon started).
constexpr std::chrono::milliseconds kCallDeadline{500};

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

// GIO's calls, or null when there is no GIO. Loaded at the first call, by the worker.
const Gio* LoadGio() {
  static Gio gio;
  static const Gio* loaded = nullptr;
  static bool tried = false;
  if (tried) return loaded;
  tried = true;
  void* lib = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return nullptr;
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
  return loaded;
}

// Tells those who watch the file at `path` (file managers, through inotify) that it changed, so
// that they read its metadata again: GVfs tells no one of a metadata change, and the file's own
// last change (the end of its coding) came before the emblem's. The change told is the access and
// modification times set to what they are: an attribute change (IN_ATTRIB; the access time alone
// would be told as an access, which watchers ignore) that moves only the status-change time. A
// write by another program in between would see its modification time put back to the one read
// here, an instant earlier. Only a regular file, opened as a path (opening a device can act on
// it), never through a link; setting times takes the file's owner or root. Whatever fails,
// nothing is told.
void TellWatchers(const std::string& path) {
  const int fd = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    (void)utimensat(fd, "", times, AT_EMPTY_PATH);
  }
  close(fd);
}

void SetEmblem(const Gio& gio, const std::string& path, bool coded) {
  void* file = gio.fileNew(path.c_str());
  if (!file) return;
  std::string emblem = kCodedEmblem;
  char* emblems[] = {emblem.data(), nullptr};
  GError* error = nullptr;
  const bool set =
      gio.setAttribute(file, kEmblems, coded ? kTypeStringv : kTypeInvalid,
                       coded ? static_cast<void*>(emblems) : nullptr, 0, nullptr, &error) != 0;
  if (error) gio.errorFree(error);
  gio.unref(file);
  if (set) TellWatchers(path);
}

std::string EmblemsOf(const Gio& gio, const std::string& path) {
  void* file = gio.fileNew(path.c_str());
  if (!file) return "";
  GError* error = nullptr;
  void* info = gio.queryInfo(file, kEmblems, 0, nullptr, &error);
  std::string out;
  if (info) {
    char** emblems = gio.getStringv(info, kEmblems);
    for (char** e = emblems; e && *e; ++e) out += (out.empty() ? "" : ",") + std::string(*e);
    gio.unref(info);
  }
  if (error) gio.errorFree(error);
  gio.unref(file);
  return out;
}

// One mark or look, handed to the worker. Shared, so that a caller that stops waiting leaves it
// whole for a worker that comes back late.
struct Job {
  enum Kind { Mark, Unmark, Look } kind;
  std::string path;
  bool done = false;
  std::string emblems;  // what a look found
};

// GIO's calls may block with no time-out of ours: the first of them reaches the session bus,
// and on a bus that takes the connection and never answers (a stopped message-bus daemon) it
// waits for ever, out of reach of cancellation. So they are made by one worker thread, and a
// caller waits for each for kCallDeadline at most. After one call overran it, GIO is not asked
// again for the rest of the run: the worker may be stuck in it for good.
//
// The worker is detached and never joined, and everything it touches is on the heap and never
// freed, so that the program ends as it would have (no destructor runs while the worker is
// stuck, nothing waits for it). It holds the lock below only to take a job and to post its end,
// never during a GIO call, and it blocks every signal, so that they all reach the program's own
// threads. GIO is used by this worker alone.
struct Channel {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Job>> jobs;
  bool started = false;
  bool startFailed = false;
  bool overran = false;  // a call overran its deadline: no more calls this run
};

Channel& TheChannel() {
  static Channel* channel = new Channel;  // never freed: see above
  return *channel;
}

void* RunWorker(void* arg) {
  Channel& ch = *static_cast<Channel*>(arg);
  const Gio* gio = nullptr;
  bool loaded = false;
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock<std::mutex> hold(ch.lock);
      ch.changed.wait(hold, [&] { return !ch.jobs.empty(); });
      job = ch.jobs.front();
      ch.jobs.pop_front();
    }
    if (!loaded) {
      gio = LoadGio();
      loaded = true;
    }
    std::string found;
    if (gio) {
      if (job->kind == Job::Look)
        found = EmblemsOf(*gio, job->path);
      else
        SetEmblem(*gio, job->path, job->kind == Job::Mark);
    }
    {
      std::lock_guard<std::mutex> hold(ch.lock);
      job->emblems = found;
      job->done = true;
    }
    ch.changed.notify_all();
  }
  return nullptr;
}

// Starts the worker with every signal blocked; the caller holds `ch.lock`.
bool StartWorker(Channel& ch) {
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const bool started = pthread_create(&thread, &attr, RunWorker, &ch) == 0;
  pthread_attr_destroy(&attr);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return started;
}

// Hands `job` to the worker and waits for it until the deadline; false when it was not done.
bool Run(const std::shared_ptr<Job>& job) {
  if (!SessionBusThere()) return false;
  // A worker that comes back late must not take the path from a folder the program has moved to
  // since (murvelctl's folder walk changes folders).
  if (job->path.empty()) return false;
  if (job->path[0] != '/') {
    char* here = getcwd(nullptr, 0);
    if (!here) return false;
    job->path = std::string(here) + "/" + job->path;
    std::free(here);
  }
  Channel& ch = TheChannel();
  std::unique_lock<std::mutex> hold(ch.lock);
  if (ch.overran || ch.startFailed) return false;
  if (!ch.started) {
    ch.started = StartWorker(ch);
    ch.startFailed = !ch.started;
    if (ch.startFailed) return false;
  }
  ch.jobs.push_back(job);
  ch.changed.notify_all();
  const auto deadline = std::chrono::steady_clock::now() + kCallDeadline;
  ch.changed.wait_until(hold, deadline, [&] { return job->done || ch.overran; });
  if (job->done) return true;
  if (!ch.overran) {
    ch.overran = true;
    ch.jobs.clear();  // those behind it would wait in vain
    ch.changed.notify_all();
  }
  return false;
}

}  // namespace

void SetCodedEmblem(const std::string& path, bool coded) {
  auto job = std::make_shared<Job>();
  job->kind = coded ? Job::Mark : Job::Unmark;
  job->path = path;
  (void)Run(job);
}

std::string CodedEmblemsOf(const std::string& path) {
  auto job = std::make_shared<Job>();
  job->kind = Job::Look;
  job->path = path;
  return Run(job) ? job->emblems : "";
}

}  // namespace plat
