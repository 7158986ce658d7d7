// The record file "tl.txt": a small text-output layer with a
// 256-byte buffer, and switch-on, switch-off and the record line.
//
// How it meets the system:
//  - A short write is not a full disk: the rest is handed over until the
//    system takes it or refuses it with an error; only a refusal is
//    "Disk Full". Interrupted writes are repeated.
//  - Nothing waits, neither an open nor a write: the program has one
//    thread, which also paints the window and answers signals. Every
//    descriptor stays non-blocking; a FIFO named "tl.txt" with no reader
//    fails to open like any other file, and a hand-over the system cannot
//    take now (a reader that stopped reading, a stopped terminal) is a
//    refused one.
//  - A file-size limit (RLIMIT_FSIZE) is a full disk: the program ignores
//    SIGXFSZ, and the write's EFBIG is a refusal.
//  - Every line in the file stays whole. When a block hand-over is refused,
//    the bytes that did not reach the file are kept in the buffer as far as
//    they complete the line the file ends in, followed by as many whole
//    unwritten lines (the abandoned line included) as fit in the 256 bytes;
//    lines that do not fit are dropped whole. A refused hand-over at close,
//    where nothing can follow, cuts the file back to its last whole line.
//  - A close at switch-off sets Recording false once the file is closed,
//    also when its hand-over failed (the error is still raised).
#include "app/model/record_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/model/room.h"
#include "framework/format.h"
#include "framework/exception.h"

namespace room {

int FileSystem::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileSystem::Write(int fd, const void* buf, std::size_t n) { return ::write(fd, buf, n); }
int FileSystem::Close(int fd) { return ::close(fd); }
int FileSystem::IsTerminal(int fd) { return ::isatty(fd); }
off_t FileSystem::Size(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return -1;
  return S_ISREG(st.st_mode) ? st.st_size : -1;
}
int FileSystem::Truncate(int fd, off_t length) { return ::ftruncate(fd, length); }

namespace {

FileSystem g_real_fs;
FileSystem* g_fs = &g_real_fs;

// Result of an operation of the text-output layer.
enum class Result {
  kOk,
  kFileNotFound,
  kPathNotFound,
  kTooManyOpenFiles,
  kAccessDenied,
  kInvalidHandle,
  kDiskFull,
  kFileNotOpen,
  kInvalidFilename,
  kOtherError,
};

const char* Words(Result r) {
  switch (r) {
    case Result::kOk: return "";
    case Result::kFileNotFound: return "File not found";
    case Result::kPathNotFound: return "Path not found";
    case Result::kTooManyOpenFiles: return "Too many open files";
    case Result::kAccessDenied: return "Access denied";
    case Result::kInvalidHandle: return "Invalid file handle";
    case Result::kDiskFull: return "Disk Full";
    case Result::kFileNotOpen: return "File not open";
    case Result::kInvalidFilename: return "Invalid filename";
    case Result::kOtherError: break;
  }
  return "File access error";
}

Result ResultOfErrno(int e) {
  switch (e) {
    case ENOENT: return Result::kFileNotFound;
    case ENOTDIR: return Result::kPathNotFound;
    case EACCES: case EROFS: case EISDIR: case EPERM: return Result::kAccessDenied;
    case EMFILE: case ENFILE: return Result::kTooManyOpenFiles;
    case ENAMETOOLONG: case ELOOP: return Result::kInvalidFilename;
    case EBADF: return Result::kInvalidHandle;
    case ENOSPC: case EIO: case EDQUOT: case EFBIG: return Result::kDiskFull;
    default: return Result::kOtherError;
  }
}

[[noreturn]] void Raise(Result r) { throw fw::Exception(Words(r)); }

constexpr std::size_t kBufferSize = 256;
// The file's name, resolved against the working directory at each open, and
// the end of a line.
constexpr const char* kFileName = "tl.txt";
constexpr char kLineEnd = '\n';

class TextFile {
 public:
  // reset: closed, buffer empty.
  void Reset() {
    if (open_) {  // never expected; do not leak a descriptor
      CloseDescriptor();
    }
    open_ = false;
    count_ = 0;
  }

  // create for writing: the result, not raised.
  Result Create() { return OpenWith(O_WRONLY | O_CREAT | O_TRUNC, 0666, true); }

  // open for appending: guarded.
  void OpenForAppending() {
    const Result r = OpenWith(O_WRONLY | O_APPEND, 0, false);
    if (r != Result::kOk) Raise(r);
  }

  bool IsOpen() const { return open_; }

  // Writes the fields and the line end of one line (guarded). For a
  // terminal the buffer is handed over after each ";" and the line end.
  void WriteLine(const std::string& text) {
    if (!open_) Raise(Result::kFileNotOpen);
    const std::string line = text + kLineEnd;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (count_ == kBufferSize) HandOver(line, i);
      buf_[count_++] = line[i];
      if (terminal_ && (line[i] == ';' || line[i] == kLineEnd)) HandOver(line, i + 1);
    }
  }

  // close: hands over the buffer, closes the descriptor, marks closed.
  void Close() {
    if (!open_) Raise(Result::kFileNotOpen);
    std::size_t taken = 0;
    const bool ok = Write(taken);
    if (!ok && disk_size_ >= 0 && disk_size_ != last_line_end_) {
      // Nothing can follow: cut the file back to its last whole line.
      (void)g_fs->Truncate(fd_, last_line_end_);
    }
    count_ = 0;
    CloseDescriptor();
    open_ = false;
    if (!ok) Raise(Result::kDiskFull);
  }

 private:
  Result OpenWith(int flags, mode_t mode, bool created) {
    int fd;
    // Never blocks (see the top): a FIFO without a reader is a failed open
    // (ENXIO), and the writes that follow do not wait either.
    do {
      errno = 0;
      fd = g_fs->Open(kFileName, flags | O_NONBLOCK | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return ResultOfErrno(errno);
    fd_ = fd;
    open_ = true;
    count_ = 0;
    terminal_ = g_fs->IsTerminal(fd) == 1;
    disk_size_ = created ? 0 : g_fs->Size(fd);
    if (created && g_fs->Size(fd) < 0) disk_size_ = -1;  // not a plain file
    last_line_end_ = disk_size_;                        // the file ends in whole lines
    disk_mid_line_ = false;
    return Result::kOk;
  }

  void CloseDescriptor() {
    while (g_fs->Close(fd_) != 0 && errno == EINTR) {
    }
    fd_ = -1;
  }

  // Hands buf_[0, count_) to the file. True when all of it was taken; taken
  // tells how much reached the file in any case.
  bool Write(std::size_t& taken) {
    taken = 0;
    bool ok = true;
    while (taken < count_) {
      errno = 0;
      const ssize_t r = g_fs->Write(fd_, buf_ + taken, count_ - taken);
      if (r < 0) {
        if (errno == EINTR) continue;
        ok = false;  // refused; also what cannot be taken now (EAGAIN)
        break;
      }
      if (r == 0) {  // takes nothing and reports nothing: a refusal
        ok = false;
        break;
      }
      taken += static_cast<std::size_t>(r);
    }
    for (std::size_t i = 0; i < taken; ++i) {
      if (disk_size_ >= 0) ++disk_size_;
      if (buf_[i] == kLineEnd) last_line_end_ = disk_size_;
    }
    if (taken > 0) disk_mid_line_ = buf_[taken - 1] != kLineEnd;
    return ok;
  }

  // Hands the buffer over during the writing of line, whose bytes from pos
  // on are not in the buffer yet. On a refusal keeps lines whole (see top).
  void HandOver(const std::string& line, std::size_t pos) {
    std::size_t taken = 0;
    if (Write(taken)) {
      count_ = 0;
      return;
    }
    // The bytes that did not reach the file, in order.
    std::string rest(buf_ + taken, buf_ + count_);
    rest.append(line, pos, std::string::npos);
    std::string keep;
    std::size_t start = 0;
    bool first = true;
    while (start < rest.size()) {
      std::size_t end = rest.find(kLineEnd, start);
      end = end == std::string::npos ? rest.size() : end + 1;
      const std::size_t len = end - start;
      if (first && disk_mid_line_) {
        // Completes the line the file ends in: always kept.
        keep.append(rest, start, std::min(len, kBufferSize));
      } else if (keep.size() + len <= kBufferSize) {
        keep.append(rest, start, len);
      } else {
        break;  // this and the later lines are dropped whole
      }
      first = false;
      start = end;
    }
    std::memcpy(buf_, keep.data(), keep.size());
    count_ = keep.size();
    Raise(Result::kDiskFull);
  }

  bool open_ = false;
  int fd_ = -1;
  bool terminal_ = false;
  char buf_[kBufferSize] = {};
  std::size_t count_ = 0;
  off_t disk_size_ = -1;      // size of the file as far as known, or -1
  off_t last_line_end_ = -1;  // size up to the last line end on disk
  bool disk_mid_line_ = false;
};

TextFile RecordFile;

std::string DataLine() {
  std::string line;
  for (long double v : {SimTimeHours, RoomTemp, HeatingWork, CO2PerDay}) {
    line += fw::FormatFixed(v, 2);
    line += ';';
  }
  return line;
}

}  // namespace

void SetFileSystem(FileSystem* fs) { g_fs = fs ? fs : &g_real_fs; }

void ToggleRecording() {
  if (Recording)
    SwitchRecordingOff();
  else
    SwitchRecordingOn();
}

void SwitchRecordingOn() {
  RecordFile.Reset();
  if (RecordFile.Create() != Result::kOk) {
    Recording = false;
    return;
  }
  RecordFile.WriteLine("Zeit;Innentemp;Arbeit;CO2");
  RecordFile.WriteLine(DataLine());
  RecordFile.Close();
  RecordFile.OpenForAppending();
  Recording = true;
}

void SwitchRecordingOff() {
  try {
    RecordFile.Close();
  } catch (...) {
    Recording = false;  // the file is closed either way
    throw;
  }
  Recording = false;
}

void WriteRecordLine() {
  if (!Recording) return;
  RecordFile.WriteLine(DataLine());
}

void CloseRecordFileAtExit() noexcept {
  if (RecordFile.IsOpen()) {
    try {
      RecordFile.Close();
    } catch (...) {
    }
  }
  Recording = false;
}

}  // namespace room
