// Windows-1252 to UTF-8 output conversion for terminals, and the final pause.
#include "driver/Console.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <cstring>

namespace {

// Converts n bytes through cd, appending to out; undefined bytes become '?'.
void Convert(iconv_t cd, const char* in, size_t n, std::string* out) {
  char chunk[256];
  char* src = const_cast<char*>(in);
  while (n > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    size_t r = iconv(cd, &src, &n, &dst, &room);
    out->append(chunk, static_cast<size_t>(dst - chunk));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {  // EILSEQ or EINVAL: skip one byte
      out->push_back('?');
      ++src;
      --n;
    }
  }
}

// Cookie of the converting stream: the target descriptor and its converter.
struct Utf8Sink {
  int fd;
  iconv_t cd;
};

ssize_t SinkWrite(void* cookie, const char* data, size_t size) {
  Utf8Sink* s = static_cast<Utf8Sink*>(cookie);
  std::string utf8;
  Convert(s->cd, data, size, &utf8);
  const char* p = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    ssize_t w = write(s->fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return -1;
    p += w;
    left -= static_cast<size_t>(w);
  }
  return static_cast<ssize_t>(size);
}

int SinkClose(void* cookie) {
  Utf8Sink* s = static_cast<Utf8Sink*>(cookie);
  iconv_close(s->cd);
  delete s;
  return 0;
}

bool LocaleIsUtf8() {
  const char* old = std::setlocale(LC_CTYPE, "");
  bool utf8 = false;
  if (old != nullptr) {
    const char* cs = nl_langinfo(CODESET);
    utf8 = cs != nullptr && (strcasecmp(cs, "UTF-8") == 0 || strcasecmp(cs, "UTF8") == 0);
  }
  std::setlocale(LC_CTYPE, "C");  // the readers and conversions work in the "C" locale
  return utf8;
}

}  // namespace

std::string Cp1252ToUtf8(const std::string& in) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  Convert(cd, in.data(), in.size(), &out);
  iconv_close(cd);
  return out;
}

FILE* OpenUtf8Stream(int fd) {
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  Utf8Sink* s = new Utf8Sink{fd, cd};
  cookie_io_functions_t io = {nullptr, SinkWrite, nullptr, SinkClose};
  FILE* f = fopencookie(s, "w", io);
  if (f == nullptr) SinkClose(s);
  return f;
}

Utf8Terminal::Utf8Terminal() {
  if (!isatty(STDOUT_FILENO) || !LocaleIsUtf8()) return;  // the locale is read only for a terminal
  converting_ = OpenUtf8Stream(STDOUT_FILENO);
  if (converting_ == nullptr) return;
  std::setvbuf(converting_, nullptr, _IOLBF, BUFSIZ);
  std::fflush(stdout);
  original_ = stdout;
  stdout = converting_;  // glibc's stdout is an ordinary variable
}

Utf8Terminal::~Utf8Terminal() {
  if (converting_ == nullptr) return;
  stdout = original_;
  std::fclose(converting_);
}

void FinalPause() {
  std::printf("Appuyez sur une touche pour continuer...");
  std::fflush(stdout);
  if (isatty(STDIN_FILENO)) {
    termios saved;
    bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (raw) {
      termios t = saved;
      // One key, without echo; Ctrl-C is a key too, so the terminal is always restored.
      t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
      t.c_cc[VMIN] = 1;
      t.c_cc[VTIME] = 0;
      tcsetattr(STDIN_FILENO, TCSANOW, &t);
    }
    char c;
    while (read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
    }
    if (raw) {
      tcflush(STDIN_FILENO, TCIFLUSH);  // the rest of a multi-byte key, e.g. an arrow
      tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
  }
  std::printf("\n");
  std::fflush(stdout);
}
