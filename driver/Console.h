// Console output layer: the program writes Windows-1252 bytes; a UTF-8 terminal is shown the
// same text converted to UTF-8. Also the final "press a key" pause.
#pragma once

#include <cstdio>
#include <string>

// The Windows-1252 text in converted to UTF-8 (a byte with no character becomes '?').
std::string Cp1252ToUtf8(const std::string& in);

// A write-only stream that converts Windows-1252 to UTF-8 and writes to the descriptor fd
// (not closed with the stream). Null on failure.
FILE* OpenUtf8Stream(int fd);

// While alive: when standard output is a terminal whose locale charset is UTF-8, stdout is a
// converting stream. Leaves the program's locale as "C" in every case.
class Utf8Terminal {
 public:
  Utf8Terminal();
  ~Utf8Terminal();  // flushes, closes the converting stream and gives stdout back
  Utf8Terminal(const Utf8Terminal&) = delete;
  Utf8Terminal& operator=(const Utf8Terminal&) = delete;

 private:
  FILE* original_ = nullptr;
  FILE* converting_ = nullptr;
};

// Prints the pause prompt and, when standard input is a terminal, waits for one key.
void FinalPause();
