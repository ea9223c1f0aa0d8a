// Whole-or-nothing file writing through a temporary file renamed over the final name, and the
// signal handlers that remove the temporary files of an interrupted run.
#include "plot/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

// Temporary files being written, for the signal handlers: a handler can reach nothing but
// process-wide data, and may only read it. An entry is 0 free, 1 being filled or emptied, 2 a
// path to remove. Charts are drawn on at most two threads, so a few entries suffice; a file
// that finds none is still renamed whole, but an interruption leaves its temporary file.
struct PendingFile {
  std::atomic<int> state{0};
  char path[PATH_MAX] = {};
};
constexpr int kPendingFiles = 8;
PendingFile g_pending[kPendingFiles];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A handler that runs on one thread while the other thread is making a temporary file must not
// look at the list before that file exists: it sets g_dying, after which no new file is begun,
// and waits (a bounded time) for the files being made to be made.
std::atomic<bool> g_dying{false};
std::atomic<int> g_creating{0};

// Removes every temporary file being written, then dies of the signal as it would have.
extern "C" void RemovePendingAndRaise(int sig) {
  const int saved = errno;
  g_dying.store(true);
  // When the handler interrupted the making of a file on its own thread, the count never drops:
  // the wait ends after 200 ms, and that file, listed before it is made, is removed all the same.
  for (int i = 0; i < 200 && g_creating.load() != 0; ++i) {
    const timespec ms = {0, 1000000};
    nanosleep(&ms, nullptr);
  }
  for (PendingFile& p : g_pending) {
    if (p.state.load(std::memory_order_acquire) == 2) unlink(p.path);
  }
  signal(sig, SIG_DFL);
  raise(sig);  // delivered when the handler returns
  errno = saved;
}

// Installs the handlers once, where the signal still has its default action: a signal that
// the user ignores (nohup) or that the program handles itself is left alone.
void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : kSignals) {
      struct sigaction old;
      if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
          old.sa_handler != SIG_DFL)
        continue;
      struct sigaction sa = {};
      sa.sa_handler = RemovePendingAndRaise;
      sigemptyset(&sa.sa_mask);
      for (int other : kSignals) sigaddset(&sa.sa_mask, other);
      sigaction(sig, &sa, nullptr);
    }
  });
}

// Puts path in a free entry; its index, or -1 when none is free or the path is too long.
int Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPendingFiles; ++i) {
    int expected = 0;
    if (!g_pending[i].state.compare_exchange_strong(expected, 1)) continue;
    path.copy(g_pending[i].path, path.size());
    g_pending[i].path[path.size()] = '\0';
    g_pending[i].state.store(2, std::memory_order_release);
    return i;
  }
  return -1;
}

// Frees the entry *slot (when it is one) and sets it to -1.
void ReleaseSlot(int* slot) {
  if (*slot < 0) return;
  g_pending[*slot].state.store(1, std::memory_order_release);
  g_pending[*slot].path[0] = '\0';
  g_pending[*slot].state.store(0, std::memory_order_release);
  *slot = -1;
}

// Six letters or digits that differ from call to call and from process to process.
std::string RandomSuffix() {
  static std::atomic<unsigned long> counter{0};
  timespec ts = {};
  clock_gettime(CLOCK_REALTIME, &ts);
  unsigned long long x = static_cast<unsigned long long>(ts.tv_nsec) ^
                         (static_cast<unsigned long long>(getpid()) << 32) ^
                         (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (int i = 0; i < 6; ++i) {
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    s.push_back(kDigits[x % 62]);
  }
  return s;
}

// Creates a new file ".<name>.XXXXXX" beside path, with the permissions a new file gets (or
// those of the file it replaces, mode >= 0). Each name is put in the handlers' list (*slot)
// before the file is made, so that a signal at any moment finds the file it would leave; a name
// that was taken already leaves the list again. Its descriptor, or -1 with errno set.
int CreateTemporary(const std::string& path, int mode, std::string* temp, int* slot) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.size() > 200) base.resize(200);  // room for the suffix within a name's 255 bytes
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = dir + "." + base + "." + RandomSuffix();
    *slot = Register(*temp);
    g_creating.fetch_add(1);
    // A handler on the other thread is removing the files and the process is about to end:
    // make no more (nor write the final file directly), just wait for the end.
    while (g_dying.load()) pause();
    const int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    g_creating.fetch_sub(1);
    if (fd >= 0) {
      if (mode >= 0) fchmod(fd, static_cast<mode_t>(mode));
      return fd;
    }
    const int err = errno;
    ReleaseSlot(slot);
    errno = err;
    if (err != EEXIST) break;
  }
  temp->clear();
  return -1;
}

}  // namespace

FILE* AtomicFile::Open(const char* name) {
  Discard();
  if (name == nullptr || *name == '\0') {
    errno = ENOENT;
    return nullptr;
  }
  final_ = name;
  struct stat st;
  int mode = -1;
  bool viaTemporary = false;
  if (stat(name, &st) == 0) {
    if (S_ISREG(st.st_mode)) {
      viaTemporary = true;
      mode = static_cast<int>(st.st_mode & 07777);
      struct stat link;
      if (lstat(name, &link) == 0 && S_ISLNK(link.st_mode)) {
        // The link stays a link: the file it names is the one replaced.
        char* real = realpath(name, nullptr);
        if (real != nullptr) {
          final_ = real;
          std::free(real);
        } else {
          viaTemporary = false;
        }
      }
    }
  } else {
    struct stat link;
    viaTemporary = errno == ENOENT && lstat(name, &link) != 0;  // not a dangling link
  }
  if (viaTemporary) {
    InstallHandlers();
    const int fd = CreateTemporary(final_, mode, &temp_, &slot_);
    if (fd >= 0) {
      f_ = fdopen(fd, "wb");
      if (f_ != nullptr) return f_;
      const int err = errno;
      close(fd);
      Discard();
      errno = err;
      return nullptr;
    }
  }
  // Written directly: a device, a pipe, or a file whose directory takes no new file.
  final_ = name;
  f_ = std::fopen(name, "wb");
  if (f_ == nullptr) return nullptr;
  // Only a plain file is removed after a failure, never what a link names.
  directRegular_ = lstat(name, &st) == 0 && S_ISREG(st.st_mode);
  return f_;
}

bool AtomicFile::Commit() {
  if (f_ == nullptr) return false;
  const bool failed = std::ferror(f_) != 0;
  const int rc = std::fclose(f_);
  f_ = nullptr;
  if (failed || rc != 0 || (!temp_.empty() && std::rename(temp_.c_str(), final_.c_str()) != 0)) {
    Discard();
    return false;
  }
  Unregister();
  temp_.clear();
  directRegular_ = false;
  return true;
}

void AtomicFile::Discard() {
  if (f_ != nullptr) {
    std::fclose(f_);
    f_ = nullptr;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  } else if (directRegular_) {
    unlink(final_.c_str());
  }
  Unregister();
  directRegular_ = false;
}

void AtomicFile::Unregister() { ReleaseSlot(&slot_); }
