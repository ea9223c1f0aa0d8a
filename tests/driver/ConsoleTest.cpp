// Checks the terminal output layer: Windows-1252 bytes become the UTF-8 of the same
// characters, and the converting stream writes them to its descriptor.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "driver/Console.h"

namespace {

TEST(ConsoleTest, Cp1252ToUtf8) {
  struct Case {
    std::string cp1252;
    std::string utf8;
  } cases[] = {
      {"abc\n", "abc\n"},
      {"é", u8"é"},  // this source's narrow literals are Windows-1252
      {"Erreur à la ligne 1 : Paramètre", u8"Erreur à la ligne 1 : Paramètre"},
      {"Tracé ÀÿçÉ", u8"Tracé ÀÿçÉ"},
      {"€ œ ‰ …", u8"€ œ ‰ …"},  // the 0x80-0x9F block differs from Latin-1
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {std::string(1, static_cast<char>(0x81)), "?"},  // no character at 0x81
  };
  for (const Case& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.utf8;
  // Independent byte values: e-acute is 0xE9 in Windows-1252 and C3 A9 in UTF-8.
  std::string e = Cp1252ToUtf8(std::string(1, static_cast<char>(0xE9)));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(e[0]), 0xC3);
  EXPECT_EQ(static_cast<unsigned char>(e[1]), 0xA9);
}

TEST(ConsoleTest, ConvertingStreamWritesUtf8ToItsDescriptor) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  FILE* f = OpenUtf8Stream(fds[1]);
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "Fonction '%s' créée.\n", "H");
  std::fprintf(f, "%s", std::string(5000, 'x').substr(0, 3000).c_str());  // beyond one buffer
  std::fclose(f);
  close(fds[1]);
  std::string got;
  char chunk[4096];
  ssize_t n;
  while ((n = read(fds[0], chunk, sizeof chunk)) > 0) got.append(chunk, static_cast<size_t>(n));
  close(fds[0]);
  EXPECT_EQ(got, u8"Fonction 'H' créée.\n" + std::string(3000, 'x'));
}

}  // namespace
