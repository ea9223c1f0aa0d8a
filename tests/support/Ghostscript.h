// Test helpers running Ghostscript on a PostScript file: validity check and rendering to pixels.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gs_test {

// Exit status of a shell command (-1 if it did not exit normally).
inline int RunCommand(const std::string& cmd) {
  int rc = std::system(cmd.c_str());
  if (rc == -1 || !WIFEXITED(rc)) return -1;
  return WEXITSTATUS(rc);
}

// Ghostscript interprets the whole file on the null device; 0 when it ran without error.
inline int GhostscriptCheck(const std::string& eps) {
  return RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage '" + eps +
                    "' >/dev/null 2>&1");
}

// An RGB image, row 0 at the top.
struct Image {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * w + x)]; }
};

// Reads a binary PPM (P6, maxval 255) file; false if it is not one.
inline bool ReadPpm(const std::string& ppm, Image* img) {
  std::ifstream in(ppm, std::ios::binary);
  // Header tokens, skipping the comment lines Ghostscript writes.
  auto token = [&in]() {
    std::string t;
    while (in >> t && t[0] == '#') std::getline(in, t);
    return t;
  };
  const std::string magic = token();
  img->w = std::atoi(token().c_str());
  img->h = std::atoi(token().c_str());
  const int maxval = std::atoi(token().c_str());
  in.get();
  if (magic != "P6" || maxval != 255 || img->w <= 0 || img->h <= 0) return false;
  img->rgb.resize(static_cast<size_t>(img->w) * img->h * 3);
  in.read(reinterpret_cast<char*>(img->rgb.data()), static_cast<std::streamsize>(img->rgb.size()));
  return static_cast<bool>(in);
}

// Renders an EPS file cropped to its bounding box at dpi; false if Ghostscript or the read fails.
inline bool RenderEps(const std::string& eps, int dpi, Image* img) {
  const std::string ppm = eps + ".ppm";
  if (RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=ppmraw -r" +
                 std::to_string(dpi) + " -sOutputFile='" + ppm + "' '" + eps +
                 "' >/dev/null 2>&1") != 0)
    return false;
  const bool ok = ReadPpm(ppm, img);
  std::remove(ppm.c_str());
  return ok;
}

}  // namespace gs_test
