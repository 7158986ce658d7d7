// The record file "tl.txt": a small text-output layer (256-byte buffer) and
// the three operations the RECORD box uses. Knows nothing of the toolkit.
//
// Failures of guarded operations throw fw::Exception carrying the words
// ("Disk Full", "File not open", "File not found", ...). Nothing here
// catches them.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace room {

// The system calls beneath the text-output layer, replaceable in tests.
struct FileSystem {
  virtual ~FileSystem() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int fd, const void* buf, std::size_t n);
  virtual int Close(int fd);
  virtual int IsTerminal(int fd);
  // Size of the open file, or -1 (used to keep the file at whole lines).
  virtual off_t Size(int fd);
  // Cuts the open file to length bytes; 0 or -1 with errno.
  virtual int Truncate(int fd, off_t length);
};
// Installs fs (not owned) for the record file; null restores the real one.
void SetFileSystem(FileSystem* fs);

// Switch-on when Recording is false, switch-off when true (CheckBox1Click).
void ToggleRecording();
// Switch-on: create, header and one line, close, reopen for appending.
// A failed create leaves Recording false silently.
void SwitchRecordingOn();
// Switch-off: close (hands the buffer over). Recording becomes false once the
// file is closed, also when the hand-over failed (the error is still raised).
void SwitchRecordingOff();
// Appends one data line while Recording; otherwise nothing.
void WriteRecordLine();
// Closes the file at program end if open, never throws (exit paths).
void CloseRecordFileAtExit() noexcept;

}  // namespace room
