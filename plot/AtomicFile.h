// A file written whole or not at all: the bytes go to a temporary file in the same directory,
// which takes the final name only once it is written and closed. A reader never sees half a
// file under that name, and a previous file of that name stays as it was until the new one is
// whole. Targets that are not regular files (devices, pipes, /dev/stdout) are written directly.
#pragma once

#include <cstdio>
#include <string>

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }  // a file never committed is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Opens name for binary writing. A regular file, or a name that does not exist yet, is written
  // to a temporary file beside it (through a symbolic link: beside the file it names); when no
  // temporary file can be made there (a directory without write permission), the file itself
  // is written, as is any other target. Null when nothing can be opened; errno tells why.
  FILE* Open(const char* name);

  // Closes the stream and gives the temporary file its final name. False when a write, the close
  // or the rename failed: then the temporary file is removed and the previous file is left as it
  // was; a regular file written directly is removed (it holds half a drawing).
  bool Commit();

  // Closes the stream and removes what was written, as a failed Commit does.
  void Discard();

  FILE* stream() const { return f_; }

 private:
  void Unregister();

  FILE* f_ = nullptr;
  std::string final_;  // the file that receives the bytes in the end
  std::string temp_;   // the temporary file, empty when final_ is written directly
  bool directRegular_ = false;  // final_ is written directly and is a regular file
  int slot_ = -1;               // entry in the list that the signal handlers clean up, or -1
};
