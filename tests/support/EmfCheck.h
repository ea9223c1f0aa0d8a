// Test helper that reads an Enhanced Metafile back record by record with libUEMF and checks its
// structure: record types and sizes, header counts, the layout of pens and polylines (which
// Inkscape and LibreOffice draw whole) and the end-of-file record.
#pragma once

#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace emf_test {

// One record: its type and all its 32-bit words (type and size included).
struct Record {
  uint32_t type = 0;
  std::vector<uint32_t> w;
};

inline uint32_t Word(const std::vector<unsigned char>& b, size_t off) {
  return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) |
         (static_cast<uint32_t>(b[off + 3]) << 24);
}

inline bool Fail(std::string* why, const std::string& msg) {
  if (why) *why = msg;
  return false;
}

// Reads every record; checks each type and size and runs libUEMF's record check on it.
inline bool ReadEmfRecords(const std::string& path, std::vector<Record>* out, std::string* why,
                           std::vector<unsigned char>* bytes_out = nullptr) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(why, "cannot open " + path);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (bytes_out) *bytes_out = b;
  out->clear();
  size_t off = 0;
  while (off < b.size()) {
    const std::string at = " at offset " + std::to_string(off);
    if (b.size() - off < 8) return Fail(why, "truncated record" + at);
    const uint32_t type = Word(b, off), size = Word(b, off + 4);
    if (type < U_EMR_MIN || type > U_EMR_MAX) return Fail(why, "bad record type" + at);
    if (size < 8 || size % 4 != 0 || size > b.size() - off)
      return Fail(why, "bad record size" + at);
    // libUEMF checks the record against its own layout; give it an aligned copy.
    std::vector<uint32_t> words(size / 4);
    std::memcpy(words.data(), &b[off], size);
    if (!U_emf_record_safe(reinterpret_cast<const char*>(words.data())))
      return Fail(why, "libUEMF rejects record type " + std::to_string(type) + at);
    out->push_back(Record{type, words});
    off += size;
  }
  return true;
}

// Whole-file check: see the file comment.
inline bool CheckEmfFile(const std::string& path, std::string* why) {
  std::vector<Record> recs;
  std::vector<unsigned char> bytes;
  if (!ReadEmfRecords(path, &recs, why, &bytes)) return false;
  if (recs.size() < 2) return Fail(why, "fewer than two records");
  const Record& h = recs.front();
  if (h.type != U_EMR_HEADER || h.w.size() < 22) return Fail(why, "first record is not a header");
  if (h.w[10] != U_ENHMETA_SIGNATURE) return Fail(why, "bad signature");
  if (h.w[12] != bytes.size())
    return Fail(
        why, "nBytes " + std::to_string(h.w[12]) + " != file size " + std::to_string(bytes.size()));
  if (h.w[13] != recs.size())
    return Fail(why, "nRecords " + std::to_string(h.w[13]) + " != " + std::to_string(recs.size()));
  // Layout: the five mapping records and the move to the origin, then pens and polylines:
  // CREATEPEN (1), SELECTOBJECT (1) make a pen, which stays until the colour or the width
  // changes; SELECTOBJECT (stock black pen), DELETEOBJECT (1) release it before the next one and
  // before EOF. Each polyline record (POLYLINE16 or POLYLINE) is drawn with a pen in force,
  // holds at least two points and carries their bounds; no two pens in a row are the same.
  const uint32_t lead[6] = {U_EMR_SETMAPMODE,       U_EMR_SETWINDOWORGEX,   U_EMR_SETWINDOWEXTEX,
                            U_EMR_SETVIEWPORTORGEX, U_EMR_SETVIEWPORTEXTEX, U_EMR_MOVETOEX};
  size_t i = 1;
  for (uint32_t t : lead)
    if (i >= recs.size() || recs[i++].type != t)
      return Fail(why, "mapping records (record " + std::to_string(i - 1) + ")");
  auto is = [&recs](size_t k, uint32_t t) { return k < recs.size() && recs[k].type == t; };
  bool pen = false;           // a pen is selected
  std::vector<uint32_t> last;  // the last pen made
  for (; i + 1 < recs.size(); ++i) {
    const std::string at = " (record " + std::to_string(i) + ")";
    const Record& r = recs[i];
    if (r.type == U_EMR_CREATEPEN) {
      if (pen || !is(i + 1, U_EMR_SELECTOBJECT) || recs[i + 1].w[2] != 1 || r.w[2] != 1)
        return Fail(why, "pen made while one is in force, or not selected" + at);
      if (r.w == last) return Fail(why, "the same pen made again" + at);
      last = r.w;
      pen = true;
      ++i;
    } else if (r.type == U_EMR_SELECTOBJECT) {
      if (!pen || r.w[2] != 0x80000007u || !is(i + 1, U_EMR_DELETEOBJECT) || recs[i + 1].w[2] != 1)
        return Fail(why, "pen not released by the stock pen and its deletion" + at);
      pen = false;
      ++i;
    } else if (r.type == U_EMR_POLYLINE16 || r.type == U_EMR_POLYLINE) {
      if (!pen) return Fail(why, "polyline without a pen" + at);
      const bool court = r.type == U_EMR_POLYLINE16;
      const uint32_t n = r.w[6];
      if (n < 2 || r.w.size() != 7 + (court ? n : 2 * n))
        return Fail(why, "polyline of fewer than two points or of the wrong size" + at);
      int32_t l = INT32_MAX, t = INT32_MAX, rt = INT32_MIN, b = INT32_MIN;
      for (uint32_t k = 0; k < n; ++k) {
        int32_t x, y;
        if (court) {
          x = static_cast<int16_t>(r.w[7 + k] & 0xFFFF);
          y = static_cast<int16_t>(r.w[7 + k] >> 16);
        } else {
          x = static_cast<int32_t>(r.w[7 + 2 * k]);
          y = static_cast<int32_t>(r.w[8 + 2 * k]);
        }
        l = std::min(l, x), rt = std::max(rt, x), t = std::min(t, y), b = std::max(b, y);
      }
      if (static_cast<int32_t>(r.w[2]) != l || static_cast<int32_t>(r.w[3]) != t ||
          static_cast<int32_t>(r.w[4]) != rt || static_cast<int32_t>(r.w[5]) != b)
        return Fail(why, "polyline bounds are not those of its points" + at);
    } else {
      return Fail(why, "record other than a pen or a polyline" + at);
    }
  }
  if (pen) return Fail(why, "pen not released before the end");
  if (i + 1 != recs.size()) return Fail(why, "last records");
  const Record& e = recs.back();
  if (e.type != U_EMR_EOF) return Fail(why, "last record is not EOF");
  if (e.w.size() != 5 || e.w[2] != 0 || e.w[3] != 16 || e.w[4] != 20)
    return Fail(why, "EOF record fields");
  return true;
}

}  // namespace emf_test

using emf_test::CheckEmfFile;
