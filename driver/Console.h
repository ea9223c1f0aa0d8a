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

// When standard output is a terminal whose locale charset is UTF-8, replaces stdout by a
// converting stream. Leaves the program's locale as "C" in every case.
void UseUtf8Terminal();

// Prints the pause prompt and, when standard input is a terminal, waits for one key.
void FinalPause();
