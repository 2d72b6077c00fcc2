// The host's file services: opening, reading and closing the Zlink's files, and the main and temporary
// directories. A rewrite goes through a committing stream (glibc's fopencookie): the bytes land in a
// temporary file beside the target, and the standard fclose renames it into place only when nothing
// failed, so a full disk or a failed write never leaves a half-written equation file behind.
#include "core/file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "geometry/host_files.h"

namespace orv {
namespace {

std::string g_main_dir;          // empty until set or first asked for
std::string g_temp_dir;          // empty until set or first asked for
std::string g_temp_dir_c;        // the text GetTempDirectory hands out; stays valid until the next change
WriteHook g_write_hook;
std::string g_last_error;

std::string with_separator(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

void note_failure(const char* tag, int line, const std::string& path, int err) {
  g_last_error = std::string(tag ? tag : "?") + ":" + std::to_string(line) + ": " + path + ": " +
                 std::strerror(err);
}

// A directory is private when it is a real directory (not a link to one), ours, and closed to
// group and others.
bool check_private_dir(const std::string& dir, std::string& err) {
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) {
    err = dir + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    err = dir + ": not a directory";
    return false;
  }
  if (st.st_uid != geteuid()) {
    err = dir + ": owned by another user";
    return false;
  }
  if ((st.st_mode & 077) != 0) {
    err = dir + ": accessible to other users (mode must be 0700)";
    return false;
  }
  return true;
}

bool make_private_dir(const std::string& dir, std::string& err) {
  std::string bare = dir;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  if (bare.empty()) {
    err = "temporary directory: empty path";
    return false;
  }
  if (mkdir(bare.c_str(), 0700) != 0 && errno != EEXIST) {
    err = bare + ": " + std::strerror(errno);
    return false;
  }
  return check_private_dir(bare, err);
}

std::string default_temp_dir() {
  const char* base = std::getenv("TMPDIR");
  std::string root = (base && *base == '/') ? base : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string dir = root + "/orvantis-" + std::to_string(static_cast<unsigned long>(geteuid()));
  std::string err;
  if (make_private_dir(dir, err)) return with_separator(dir);
  // Someone else holds the usual name: take a fresh private directory instead.
  std::string tmpl = dir + "-XXXXXX";
  if (mkdtemp(tmpl.data()) != nullptr) return with_separator(tmpl);
  return "/dev/null/";
}

// ---- The committing stream --------------------------------------------------------------------

struct CommitCookie {
  int fd = -1;
  std::string target;  // where the file goes when committed
  std::string temp;    // the file being written
  bool failed = false;
};

ssize_t commit_write(void* c, const char* data, size_t size) {
  auto* cookie = static_cast<CommitCookie*>(c);
  if (cookie->failed) {
    errno = EIO;
    return -1;
  }
  size_t done = 0;
  while (done < size) {
    long n = g_write_hook ? g_write_hook(cookie->fd, data + done, size - done)
                          : static_cast<long>(::write(cookie->fd, data + done, size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      cookie->failed = true;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

int commit_close(void* c) {
  auto* cookie = static_cast<CommitCookie*>(c);
  bool ok = !cookie->failed;
  if (ok && fsync(cookie->fd) != 0) ok = false;
  if (::close(cookie->fd) != 0) ok = false;
  if (ok && rename(cookie->temp.c_str(), cookie->target.c_str()) != 0) ok = false;
  if (!ok) {
    int saved = errno;
    unlink(cookie->temp.c_str());
    errno = saved;
  } else {
    // Make the rename itself durable; a failure here no longer risks the file's contents.
    std::string dir = cookie->target.substr(0, cookie->target.find_last_of('/') + 1);
    int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      fsync(dfd);
      ::close(dfd);
    }
  }
  delete cookie;
  return ok ? 0 : -1;
}

mode_t current_umask() {
  mode_t mask = umask(077);
  umask(mask);
  return mask;
}

}  // namespace

bool set_main_dir(const std::string& dir, std::string& err) {
  std::string path = normalize_path(dir);
  struct stat st;
  if (path.empty()) {
    err = "main directory: empty path";
    return false;
  }
  if (stat(path.c_str(), &st) != 0) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    err = path + ": not a directory";
    return false;
  }
  g_main_dir = with_separator(path);
  return true;
}

std::string main_dir() {
  if (g_main_dir.empty()) {
    char buf[PATH_MAX];
    g_main_dir = with_separator(getcwd(buf, sizeof buf) ? buf : ".");
  }
  return g_main_dir;
}

bool set_temp_dir(const std::string& dir, std::string& err) {
  if (dir.empty()) {
    g_temp_dir.clear();
    return true;
  }
  std::string path = normalize_path(dir);
  if (!make_private_dir(path, err)) return false;
  g_temp_dir = with_separator(path);
  return true;
}

std::string temp_dir() {
  if (g_temp_dir.empty()) g_temp_dir = default_temp_dir();
  return g_temp_dir;
}

std::string normalize_path(const std::string& path) {
  std::string out = path;
  for (char& ch : out)
    if (ch == '\\') ch = '/';
  return out;
}

bool path_matches_filter(const std::string& path, const std::string& filter) {
  std::string f = filter;
  if (f.size() >= 1 && f[0] == '*') f.erase(0, 1);  // "*.EQN" means the same as ".EQN"
  if (f.empty() || f == ".*") return true;
  if (path.size() < f.size()) return false;
  return strncasecmp(path.c_str() + path.size() - f.size(), f.c_str(), f.size()) == 0;
}

FILE* open_committing_stream(const std::string& path_in) {
  std::string target = normalize_path(path_in);
  if (target.empty() || target.back() == '/') {
    errno = EISDIR;
    return nullptr;
  }
  mode_t mode = 0666 & ~current_umask();
  struct stat st;
  if (stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {  // a device or pipe would be replaced by a plain file
      errno = EINVAL;
      return nullptr;
    }
    mode = st.st_mode & 07777;
    // Rewrite the file a link points at, as a plain open for writing would.
    char real[PATH_MAX];
    if (realpath(target.c_str(), real) != nullptr) target = real;
  }
  size_t slash = target.find_last_of('/');
  std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = dir + "." + base + ".tmp-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  fchmod(fd, mode);

  auto* cookie = new CommitCookie{fd, target, temp, false};
  cookie_io_functions_t io{};
  io.write = commit_write;
  io.close = commit_close;
  FILE* f = fopencookie(cookie, "w", io);
  if (f == nullptr) {
    int saved = errno;
    ::close(fd);
    unlink(temp.c_str());
    delete cookie;
    errno = saved;
  }
  return f;
}

namespace {

const char* file_type_name(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "an unknown kind of file";
}

std::string not_regular(const std::string& path, mode_t mode) {
  return path + ": not a regular file (" + file_type_name(mode) + ")";
}

}  // namespace

bool regular_or_absent(const std::string& path, std::string& err) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;
  err = not_regular(path, st.st_mode);
  return false;
}

int open_regular_file(const std::string& path, std::string& err) {
  // A device is never opened at all (opening some has effects); the check after the open holds
  // against a file swapped in between. O_NONBLOCK: opening a FIFO without a writer would otherwise
  // wait for one for ever.
  if (!regular_or_absent(path, err)) {
    errno = EINVAL;
    return -1;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    int saved = errno;
    err = path + ": cannot read: " + std::strerror(saved);
    errno = saved;
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int saved = errno;
    err = path + ": cannot read: " + std::strerror(saved);
    ::close(fd);
    errno = saved;
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    err = not_regular(path, st.st_mode);
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

void set_committing_write_hook(WriteHook hook) { g_write_hook = std::move(hook); }

std::string last_file_error() { return g_last_error; }

}  // namespace orv

// ---- The services as the Zlink calls them -----------------------------------------------------

void get_main_dir(char* buffer) {
  if (buffer == nullptr) return;
  std::string dir = orv::main_dir();
  if (dir.size() >= orv::kPathBufferSize) {
    buffer[0] = '\0';
    return;
  }
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
}

FILE* q_open_file(const char* tag, int line, const char* path, const char* mode, char* ok) {
  if (ok) *ok = 0;
  if (path == nullptr || *path == '\0' || mode == nullptr) {
    orv::note_failure(tag, line, path ? path : "(null)", EINVAL);
    return nullptr;
  }
  std::string m = mode;
  std::string p = orv::normalize_path(path);
  FILE* f = nullptr;
  if (m == "r" || m == "rb") {
    struct stat st;
    if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      errno = EISDIR;
    } else {
      f = std::fopen(p.c_str(), "r");
    }
  } else if (m == "w" || m == "wb") {
    f = orv::open_committing_stream(p);
  } else {
    errno = EINVAL;
  }
  if (f == nullptr) {
    orv::note_failure(tag, line, p, errno);
    return nullptr;
  }
  if (ok) *ok = 1;
  return f;
}

FILE* q_fopen(const char* tag, int line, const char* path, const char* mode) {
  char ok = 0;
  return q_open_file(tag, line, path, mode, &ok);
}

int q_fclose(const char* tag, int line, FILE* file) {
  if (file == nullptr) return EOF;
  int rc = std::fclose(file);
  if (rc != 0) orv::note_failure(tag, line, "(stream)", errno ? errno : EIO);
  return rc;
}

int freadln(char* buffer, int limit, FILE* file) {
  if (buffer == nullptr || file == nullptr || limit < 0) return 0;
  int len = 0;
  bool any = false;
  bool pending_cr = false;  // a carriage return held back until we know whether a line feed follows
  auto put = [&](char ch) {
    if (len < limit) buffer[len++] = ch;
  };
  for (;;) {
    int ch = std::getc(file);
    if (ch == EOF) break;
    any = true;
    if (ch == '\n') {
      pending_cr = false;
      break;
    }
    if (pending_cr) put('\r');
    pending_cr = (ch == '\r');
    if (!pending_cr) put(static_cast<char>(ch));
  }
  // A carriage return at the very end of the file ends the line like "\r\n" would.
  buffer[len] = '\0';
  if (std::ferror(file)) return 0;
  return any ? 1 : 0;
}

const char* GetTempDirectory() {
  std::string dir = orv::temp_dir();
  if (orv::g_temp_dir_c != dir) orv::g_temp_dir_c = dir;
  return orv::g_temp_dir_c.c_str();
}
