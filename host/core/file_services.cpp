// The host's file services: opening, reading and closing the Zlink's files, and the main and temporary
// directories. Every file the host replaces (the write-back, the part file, exports, pictures) is
// made beside its target and renamed into place only when nothing failed, so a full disk or a failed
// write never leaves a half-written file behind: through a committing stream (glibc's fopencookie)
// whose fclose commits, or for writers that open a path themselves, through write_file_whole.
#include "core/file_services.h"
#include "core/host.h"
#include "core/plot_report.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/line_reading.h"
#include "orvantis/host_files.h"

namespace orv {
namespace {

WriteHook g_write_hook;
CommitHook g_commit_hook;
std::string g_open_refusal;      // why the last committing open was refused, when errno cannot say
std::vector<std::string> g_made_temp_dirs;  // fresh private directories this process made

// A file as the system knows it: the same key for every name and link of it.
using FileKey = std::pair<dev_t, ino_t>;

// Files whose latest reading lost bytes (a line cut at its limit, a NUL, a read error): what the
// Zlink holds of them is not what they hold, so they are never rewritten from it. Each is held
// open, so that its inode cannot pass to another file while it is remembered.
std::map<FileKey, int> g_lossy_files;

void remember_lossy(const FileKey& key, int fd) {
  if (g_lossy_files.count(key) != 0) return;
  int held = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  // Without a descriptor to spare the file is still remembered, at the risk of refusing a later
  // file that gets its inode: a refusal, never a lost line.
  g_lossy_files[key] = held;
}

void forget_lossy(const FileKey& key) {
  auto it = g_lossy_files.find(key);
  if (it == g_lossy_files.end()) return;
  if (it->second >= 0) ::close(it->second);
  g_lossy_files.erase(it);
}

// Streams q_open_file opened for reading and not yet read to their end.
struct Reading {
  FileKey key;
  bool lost = false;
};
std::map<FILE*, Reading> g_readings;

bool key_of_stream(FILE* file, FileKey& key) {
  int fd = fileno(file);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return false;
  key = {st.st_dev, st.st_ino};
  return true;
}

std::string with_separator(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

void note_failure(const char* tag, int line, const std::string& path, int err,
                  const std::string& reason = "") {
  host().last_error = std::string(tag ? tag : "?") + ":" + std::to_string(line) + ": " + path + ": " +
                 (reason.empty() ? std::strerror(err) : reason);
}

// Refuses a replacement with `err` and a reason the error number alone would not give.
bool refuse_replacement(int err, const std::string& reason) {
  g_open_refusal = reason;
  errno = err;
  return false;
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
  if (mkdtemp(tmpl.data()) != nullptr) {
    g_made_temp_dirs.push_back(tmpl);  // a new name each run: removed at exit, not kept
    return with_separator(tmpl);
  }
  return "/dev/null/";
}

// ---- The committing stream --------------------------------------------------------------------

// A file made beside its target, to replace the target whole once it is complete. It is held
// under an exclusive lock while it is written, so that the clean-up of stale temporaries (which
// takes the lock first) never removes a file that a live writer still fills.
struct Replacement {
  int fd = -1;
  std::string target;  // where the file goes when committed
  std::string temp;    // the file being written, by a name in plain printable ASCII
  int dir_fd = -1;     // the target's folder, when its path is not plain ASCII (temp names it)
};

bool plain_ascii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7e) return false;
  return true;
}

// The name a temporary file of the target called `base` starts with: "." + base + ".tmp-", with
// every byte outside printable ASCII, and "%" itself, written as "%XX", so that a writer that
// re-encodes the names it is given (OpenCASCADE does) opens the very file made for it; cut to fit
// a file name with the six characters mkstemp adds.
std::string temp_prefix(const std::string& base) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string name;
  for (unsigned char c : base) {
    if (c < 0x20 || c > 0x7e || c == '%') {
      name += '%';
      name += kHex[c >> 4];
      name += kHex[c & 15];
    } else {
      name += static_cast<char>(c);
    }
  }
  constexpr std::size_t kRoom = NAME_MAX - 1 - 5 - 6;  // ".", ".tmp-", XXXXXX
  if (name.size() > kRoom) name.resize(kRoom);
  return "." + name + ".tmp-";
}

// True when `name` is `prefix` followed by the six characters mkstemp puts in place of XXXXXX.
bool is_temp_of(const char* name, const std::string& prefix) {
  if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) return false;
  const char* rest = name + prefix.size();
  if (std::strlen(rest) != 6) return false;
  for (const char* c = rest; *c != '\0'; ++c)
    if (!((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9'))) return false;
  return true;
}

// Error numbers that say why a file could not be written, as opposed to whatever a writer's
// library left in errno along the way.
bool tells_why_a_write_failed(int err) {
  return err == ENOSPC || err == EFBIG || err == EDQUOT || err == EIO || err == EROFS;
}

// Removes the temporaries of the same target that an earlier write left behind when it was killed:
// only regular files of exactly our pattern, owned by this user, that no live writer holds locked.
void remove_stale_temps(const std::string& dir, const std::string& prefix) {
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  DIR* d = fdopendir(dfd);
  if (d == nullptr) {
    ::close(dfd);
    return;
  }
  std::vector<std::string> stale;
  while (dirent* e = readdir(d))
    if (is_temp_of(e->d_name, prefix)) stale.emplace_back(e->d_name);
  for (const std::string& name : stale) {
    int fd = openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held, named;
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 && fstatat(dfd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino)
      unlinkat(dfd, name.c_str(), 0);
    ::close(fd);
  }
  closedir(d);  // closes dfd
}

// Ends a replacement: when `ok`, syncs and closes the file, renames it over the target and syncs the
// folder; otherwise, or when any of that fails, removes the file and leaves the target as it was.
// False with errno set when the target was not replaced.
bool finish_replacement(Replacement& r, bool ok) {
  if (ok && fsync(r.fd) != 0) ok = false;
  if (r.fd >= 0 && ::close(r.fd) != 0) ok = false;
  r.fd = -1;
  struct DirCloser {
    int& fd;
    ~DirCloser() {
      if (fd >= 0) ::close(fd);
      fd = -1;
    }
  } dir_closer{r.dir_fd};
  if (ok && g_commit_hook) {
    if (int injected = g_commit_hook(r.target); injected != 0) {
      errno = injected;
      ok = false;
    }
  }
  if (ok && rename(r.temp.c_str(), r.target.c_str()) != 0) ok = false;
  if (!ok) {
    int saved = errno;
    unlink(r.temp.c_str());
    errno = saved;
    return false;
  }
  // Make the rename itself durable; a failure here no longer risks the file's contents.
  std::string dir = r.target.substr(0, r.target.find_last_of('/') + 1);
  int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    ::close(dfd);
  }
  return true;
}

struct CommitCookie {
  Replacement file;
  bool failed = false;
  int error = 0;  // the errno of the first write that failed, told again by every later one
};

ssize_t commit_write(void* c, const char* data, size_t size) {
  auto* cookie = static_cast<CommitCookie*>(c);
  if (cookie->failed) {
    errno = cookie->error;
    return -1;
  }
  size_t done = 0;
  while (done < size) {
    long n = g_write_hook ? g_write_hook(cookie->file.fd, data + done, size - done)
                          : static_cast<long>(::write(cookie->file.fd, data + done, size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      cookie->failed = true;
      cookie->error = errno;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

int commit_close(void* c) {
  auto* cookie = static_cast<CommitCookie*>(c);
  bool ok = finish_replacement(cookie->file, !cookie->failed);
  // The reason of a failed write outlives the stream, so that its caller can tell "no space left"
  // rather than whatever the clean-up left in errno.
  int why = cookie->failed ? cookie->error : errno;
  delete cookie;
  if (!ok) errno = why;
  return ok ? 0 : -1;
}

mode_t current_umask() {
  mode_t mask = umask(077);
  umask(mask);
  return mask;
}

// Checks that `path_in` may be replaced and makes the file that will replace it, beside it, with the
// owner, group and mode the target has (a new file: the mode the umask gives). False with errno set,
// and g_open_refusal when errno alone cannot say why, when it may not be replaced.
bool begin_replacement(const std::string& path_in, Replacement& out) {
  g_open_refusal.clear();
  std::string target = normalize_path(path_in);
  if (target.empty() || target.back() == '/') {
    errno = EISDIR;
    return false;
  }
  mode_t mode = 0666 & ~current_umask();
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (!S_ISREG(st.st_mode)) {  // a device or pipe would be replaced by a plain file
      errno = EINVAL;
      return false;
    }
    if (g_lossy_files.count({st.st_dev, st.st_ino}) != 0)
      return refuse_replacement(EILSEQ, "lines were cut or held a NUL when it was read, so it is not rewritten");
    // The rename needs only the directory's permission; the file's own must allow the rewrite too.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      return refuse_replacement(errno, std::string("may not be written: ") + std::strerror(errno));
    // A new file under one name would leave the other names holding the old contents.
    if (st.st_nlink > 1)
      return refuse_replacement(EMLINK, "has " + std::to_string(static_cast<unsigned long>(st.st_nlink)) +
                                            " hard links; a rewrite would split them");
    mode = st.st_mode & 07777;
    // Rewrite the file a link points at, as a plain open for writing would.
    char real[PATH_MAX];
    if (realpath(target.c_str(), real) != nullptr) target = real;
  }
  size_t slash = target.find_last_of('/');
  std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string prefix = temp_prefix(base);
  remove_stale_temps(dir, prefix);
  // A folder whose path is not plain ASCII is reached through a descriptor of it, so that the
  // whole temporary path a writer gets is plain ASCII.
  int dir_fd = -1;
  std::string where = dir;
  if (!plain_ascii(dir)) {
    dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return false;
    where = "/proc/self/fd/" + std::to_string(dir_fd) + "/";
  }
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
    temp = where + prefix + "XXXXXX";
    fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) break;
    // Locked at once; a clean-up of another run that took the file in between has unlinked it,
    // and a new name is taken.
    struct stat own;
    if (flock(fd, LOCK_EX) != 0 || fstat(fd, &own) != 0 || own.st_nlink == 0) {
      ::close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    int saved = errno;
    if (dir_fd >= 0) ::close(dir_fd);
    errno = saved;
    return false;
  }
  out = Replacement{fd, target, temp, dir_fd};
  if (exists) {
    // Keep the owner and group where we may set them (a user may only give a file his own
    // groups); the mode is set afterwards, since a change of owner clears set-id bits.
    if (fchown(fd, st.st_uid, st.st_gid) != 0) (void)fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  }
  fchmod(fd, mode);
  return true;
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
  if (!main_dir_fits(path)) {
    err = path + ": longer than " + std::to_string(kMainDirLimit) +
          " characters with its separator, so the default file's path would not fit";
    return false;
  }
  host().directories.main = with_separator(path);
  return true;
}

bool main_dir_fits(const std::string& dir) {
  return with_separator(normalize_path(dir)).size() <= kMainDirLimit;
}

std::string main_dir() {
  if (host().directories.main.empty()) {
    char buf[PATH_MAX];
    host().directories.main = with_separator(getcwd(buf, sizeof buf) ? buf : ".");
  }
  return host().directories.main;
}

bool set_temp_dir(const std::string& dir, std::string& err) {
  if (dir.empty()) {
    host().directories.temp.clear();
    return true;
  }
  std::string path = normalize_path(dir);
  if (!make_private_dir(path, err)) return false;
  host().directories.temp = with_separator(path);
  return true;
}

std::string temp_dir() {
  if (host().directories.temp.empty()) host().directories.temp = default_temp_dir();
  return host().directories.temp;
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
  Replacement file;
  if (!begin_replacement(path_in, file)) return nullptr;
  auto* cookie = new CommitCookie{file, false};
  cookie_io_functions_t io{};
  io.write = commit_write;
  io.close = commit_close;
  FILE* f = fopencookie(cookie, "w", io);
  if (f == nullptr) {
    int saved = errno;
    finish_replacement(cookie->file, false);
    delete cookie;
    errno = saved;
  }
  return f;
}

bool write_file_whole(const std::string& path, const std::function<bool(const std::string&, std::string&)>& write,
                      std::string& err) {
  Replacement file;
  if (!begin_replacement(path, file)) {
    err = path + ": cannot write: " + (g_open_refusal.empty() ? std::strerror(errno) : g_open_refusal);
    return false;
  }
  // The writer opens the file by its name; the descriptor stays open to sync what it wrote.
  std::string why;
  errno = 0;
  bool ok = write(file.temp, why);
  int write_errno = errno;
  if (ok) {
    // What is renamed must be what was written: the file made for the writer, holding its text.
    // A writer that wrote to another name leaves it empty.
    struct stat held, named;
    if (fstat(file.fd, &held) != 0 || stat(file.temp.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino) {
      why = "the writer did not write the file made for it";
      ok = false;
    } else if (held.st_size == 0) {
      why = "the writer wrote nothing";
      ok = false;
    }
  } else if (tells_why_a_write_failed(write_errno)) {
    // Writers that open the file themselves (OpenCASCADE's) say only that they failed; the error
    // of their last write says why.
    why = (why.empty() ? "cannot be written" : why) + ": " + std::strerror(write_errno);
  }
  if (!ok) {
    finish_replacement(file, false);
    err = path + ": " + (why.empty() ? "cannot be written" : why);
    return false;
  }
  if (!finish_replacement(file, true)) {
    err = path + ": cannot replace it: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool write_text_whole(const std::string& path, const std::string& text, std::string& err) {
  return write_file_whole(
      path,
      [&text](const std::string& temporary, std::string& why) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (out.flush()) return true;
        why = std::strerror(errno);
        return false;
      },
      err);
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

FILE* open_reading_stream(const std::string& path_in) {
  std::string path = normalize_path(path_in);
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  std::string why;
  int fd = open_regular_file(path, why);
  if (fd < 0 || fstat(fd, &st) != 0) {
    int err = errno;
    if (fd >= 0) ::close(fd);
    errno = err;
    return nullptr;
  }
  FILE* f = fdopen(fd, "r");
  if (f == nullptr) {
    int err = errno;
    ::close(fd);
    errno = err;
    return nullptr;
  }
  g_readings[f] = Reading{{st.st_dev, st.st_ino}, false};
  return f;
}

bool reading_lost_bytes(const std::string& path) {
  struct stat st;
  return stat(normalize_path(path).c_str(), &st) == 0 && g_lossy_files.count({st.st_dev, st.st_ino}) != 0;
}

void forget_lost_bytes(const std::string& path) {
  struct stat st;
  if (stat(normalize_path(path).c_str(), &st) == 0) forget_lossy({st.st_dev, st.st_ino});
}

void remove_made_temp_dirs() {
  for (const std::string& dir : g_made_temp_dirs) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    if (host().directories.temp == with_separator(dir)) host().directories.temp.clear();
  }
  g_made_temp_dirs.clear();
}

namespace {

// A protected file: its key when it exists, and its path with the links of its folders resolved.
struct Protected {
  std::string resolved;
  bool has_key = false;
  FileKey key{};
  std::string role;
};
std::vector<Protected> g_protected;

Protected identify(const std::string& path) {
  Protected p;
  std::error_code ec;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(normalize_path(path), ec);
  p.resolved = ec ? std::filesystem::absolute(normalize_path(path), ec).lexically_normal().string() : resolved.string();
  struct stat st;
  if (stat(normalize_path(path).c_str(), &st) == 0) {
    p.has_key = true;
    p.key = {st.st_dev, st.st_ino};
  }
  return p;
}

}  // namespace

void protect_path(const std::string& path, const std::string& role) {
  if (path.empty() || !protected_role(path).empty()) return;
  Protected p = identify(path);
  p.role = role;
  g_protected.push_back(std::move(p));
}

std::string protected_role(const std::string& path) {
  if (g_protected.empty()) return {};
  const Protected asked = identify(path);
  for (const Protected& p : g_protected) {
    // A file made since it was protected (a new part file) is matched by its path.
    if ((asked.has_key && p.has_key && asked.key == p.key) || asked.resolved == p.resolved) return p.role;
  }
  return {};
}

void clear_protected_paths() { g_protected.clear(); }

bool output_path_allowed(const std::string& path, std::string& err) {
  if (!regular_or_absent(normalize_path(path), err)) return false;
  std::string role = protected_role(path);
  if (role.empty()) return true;
  err = path + ": is " + role + "; not written over";
  return false;
}

void set_committing_write_hook(WriteHook hook) { g_write_hook = std::move(hook); }
void set_commit_hook(CommitHook hook) { g_commit_hook = std::move(hook); }

std::string last_file_error() { return host().last_error; }

namespace {

// What a line read by freadln lost, for the stream it came from.
void note_reading(FILE* file, bool lost, bool at_end) {
  FileKey key;
  bool have_key = key_of_stream(file, key);
  auto it = g_readings.find(file);
  // A stream closed with the plain fclose may leave its entry for a later stream at the same
  // address: the entry counts only when it names the same file.
  if (it != g_readings.end() && (!have_key || it->second.key != key)) {
    g_readings.erase(it);
    it = g_readings.end();
  }
  if (lost) {
    if (it != g_readings.end()) it->second.lost = true;
    if (have_key) remember_lossy(key, fileno(file));
  }
  if (at_end && it != g_readings.end()) {
    // A whole reading from the start without loss: the Zlink now holds the file as it is.
    if (!it->second.lost) forget_lossy(it->second.key);
    g_readings.erase(it);
  }
}

void forget_reading(FILE* file) { g_readings.erase(file); }

}  // namespace
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
  orv::g_open_refusal.clear();
  if (m == "r" || m == "rb") {
    f = orv::open_reading_stream(p);
    // The Zlink's own files (the equation file) are never written over by the run's outputs.
    if (f != nullptr) orv::protect_path(p, "a file the Zlink reads");
  } else if (m == "w" || m == "wb") {
    f = orv::open_committing_stream(p);
  } else {
    errno = EINVAL;
  }
  if (f == nullptr) {
    orv::note_failure(tag, line, p, errno, orv::g_open_refusal);
    return nullptr;
  }
  if (ok) *ok = 1;
  if (m == "r" || m == "rb") orv::note_reading_opened(f, p);
  return f;
}

FILE* q_fopen(const char* tag, int line, const char* path, const char* mode) {
  char ok = 0;
  return q_open_file(tag, line, path, mode, &ok);
}

int q_fclose(const char* tag, int line, FILE* file) {
  if (file == nullptr) return EOF;
  orv::note_reading_closed(file);
  orv::forget_reading(file);
  int rc = std::fclose(file);
  if (rc != 0) orv::note_failure(tag, line, "(stream)", errno ? errno : EIO);
  return rc;
}

int freadln(char* buffer, int limit, FILE* file) {
  orv::LineLoss loss;
  int got = orv::read_line(buffer, limit, file, &loss);
  if (buffer == nullptr || file == nullptr || limit < 0) return got;
  bool failed = std::ferror(file) != 0;  // the lines after the failure are missing
  orv::note_reading(file, loss.cut || loss.nul || failed, !failed && std::feof(file));
  if (got != 0) orv::note_line_read(file, buffer);
  return got;
}

const char* GetTempDirectory() {
  std::string dir = orv::temp_dir();
  if (orv::host().directories.temp_c != dir) orv::host().directories.temp_c = dir;
  return orv::host().directories.temp_c.c_str();
}
