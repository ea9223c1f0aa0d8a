// Runs script text through the interpreter in-process and returns what it printed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/Interpreter.h"

// Runs every line of text (which may hold NUL bytes) and returns the console bytes.
inline std::string RunScriptText(const std::string& text) {
  std::string copy = text;
  FILE* f = copy.empty() ? nullptr : fmemopen(&copy[0], copy.size(), "r");
  testing::internal::CaptureStdout();
  {
    iTPrm it(f);
    while (it.ExecNextCmde()) {
    }
  }
  return testing::internal::GetCapturedStdout();
}

// The error header of line n as the console shows it: the line as read, line end included; a
// line read without an LF is followed by one, so that the message starts a line.
inline std::string ErrorHeader(unsigned n, const std::string& line) {
  const bool ended = !line.empty() && line.back() == '\n';
  return "Erreur à la ligne " + std::to_string(n) + " : " + line + (ended ? "" : "\n");
}
