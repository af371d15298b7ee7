// Replacing a file with new contents safely: the bytes go to a temporary
// file of a unique name beside the target, are flushed to disk and only then
// renamed over the target, which keeps its permissions and, where the
// system permits, its owner. The temporary file is removed on every path
// the process controls (failure, an interruption the front end handles);
// one left by a run that was killed is removed by the next save beside it.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/xlsx/Xlsx.h"
#include "platform/xlsx/Xlsx_Internal.h"

namespace {

namespace fs = std::filesystem;

// Temporary files are named "BOOK.xlsx~PID-XXXXXX.saving": the process that
// writes it, and six random characters.
constexpr const char* kTempMark = "~";
constexpr const char* kTempSuffix = ".saving";
constexpr int kTempSuffixLength = 7;

// The temporary file of the save in progress, and how far that save has
// gone, for a signal handler.
char gTempPath[4096];
enum SaveStage : int {
  StageNone,     // no save, or one that has not created its temporary file
  StageWriting,  // the temporary file exists; the target is as it was
  StageInPlace,  // the file is renamed over the target: the save is complete
};
volatile std::sig_atomic_t gStage = StageNone;

std::string errnoText() { return std::strerror(errno); }

// Whether process `pid` has ended (a process of another user still counts as running).
bool processEnded(long pid) { return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

// Removes the temporary files that saves of `name` in `folder` left when
// their process was killed.
void removeStaleTemporaries(const fs::path& folder, const std::string& name) {
  const std::string prefix = name + kTempMark;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    std::string file = entry->d_name;
    if (file.size() <= prefix.size() + kTempSuffixLength || file.compare(0, prefix.size(), prefix) != 0 ||
        file.compare(file.size() - kTempSuffixLength, kTempSuffixLength, kTempSuffix) != 0)
      continue;
    char* end = nullptr;
    long pid = std::strtol(file.c_str() + prefix.size(), &end, 10);
    if (end && *end == '-' && processEnded(pid)) unlink((folder / file).c_str());
  }
  closedir(dir);
}

// The temporary file: created, and removed again unless committed.
class Temporary {
 public:
  explicit Temporary(const fs::path& target) {
    std::string name = target.string() + kTempMark + std::to_string(getpid()) + "-XXXXXX" + kTempSuffix;
    if (name.size() >= sizeof gTempPath) return;
    // Marked before it exists, so that no signal finds it there unmarked.
    std::memcpy(gTempPath, name.c_str(), name.size() + 1);
    gStage = StageWriting;
    fd_ = mkostemps(gTempPath, kTempSuffixLength, O_CLOEXEC);
    if (fd_ < 0) {
      gStage = StageNone;
      return;
    }
    path_ = gTempPath;
  }
  ~Temporary() {
    if (fd_ >= 0) ::close(fd_);
    if (committed_) return;
    if (!path_.empty()) unlink(path_.c_str());
    gStage = StageNone;
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the file, reporting a failure of the close itself.
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  // Renames the file over `target` with the process's signals held back,
  // so that a handler finds the save either not yet in place or complete.
  bool commit(const fs::path& target) {
    sigset_t all, previous;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &previous);
    committed_ = rename(path_.c_str(), target.c_str()) == 0;
    const int renameErrno = errno;
    if (committed_) gStage = StageInPlace;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = renameErrno;
    return committed_;
  }

 private:
  int fd_ = -1;
  std::string path_;
  bool committed_ = false;
};

bool writeAll(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The mode a new file gets: read and write for everyone the umask allows.
mode_t newFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The target's owner, group and permissions on the temporary file; a
// different owner or group only where the system permits it.
bool keepAttributes(int fd, const struct stat* old) {
  if (!old) return fchmod(fd, newFileMode()) == 0;
  // Where the system does not permit the owner, the group alone; where it
  // permits neither, the file belongs to whoever saves it, as a new one would.
  bool otherOwner = old->st_uid != geteuid() || old->st_gid != getegid();
  if (otherOwner && fchown(fd, old->st_uid, old->st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0)
    errno = 0;
  return fchmod(fd, old->st_mode & 07777) == 0;
}

// Makes the rename itself durable.
void flushFolder(const fs::path& folder) {
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// A target that exists: refused when read-only (whoever runs the save);
// a note when it has other hard links, which the save leaves on the old file.
bool checkTarget(const fs::path& target, const struct stat& st, std::string* why, std::vector<std::string>* notes) {
  if (!S_ISREG(st.st_mode)) {
    *why = "is not a plain file";
    return false;
  }
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0) {
    *why = "is read-only; it was left as it is";
    return false;
  }
  if (st.st_nlink > 1 && notes)
    notes->push_back(target.string() + " has " + std::to_string(st.st_nlink - 1) +
                     " other hard link(s); they keep the workbook as it was before this save");
  return true;
}

}  // namespace

bool Xlsx_replaceFile(const std::string& path, const std::string& bytes, std::string* why,
                      std::vector<std::string>* notes) {
  const fs::path target(path);
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  if (exists && !checkTarget(target, st, why, notes)) return false;
  removeStaleTemporaries(target.parent_path(), target.filename().string());
  Temporary temp(target);
  if (temp.fd() < 0) {
    *why = "cannot create a temporary file beside it: " + errnoText();
    return false;
  }
  if (!Xlsx_step(why)) return false;
  if (!writeAll(temp.fd(), bytes)) {
    *why = "cannot write: " + errnoText();
    return false;
  }
  if (!Xlsx_step(why)) return false;
  if (!keepAttributes(temp.fd(), exists ? &st : nullptr) || fsync(temp.fd()) != 0 || !temp.close()) {
    *why = "cannot write: " + errnoText();
    return false;
  }
  if (!Xlsx_step(why)) return false;
  if (!temp.commit(target)) {
    *why = "cannot replace it: " + errnoText();
    return false;
  }
  flushFolder(target.parent_path());
  return true;
}

void Xlsx_beginSave() { gStage = StageNone; }

bool Xlsx_abandonSave() {
  if (gStage == StageWriting) unlink(gTempPath);
  return gStage == StageInPlace;
}
