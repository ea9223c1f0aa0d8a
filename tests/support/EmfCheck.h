// Test helper that reads an Enhanced Metafile back record by record with libUEMF and checks its
// structure: record types and sizes, header counts, the layout of every path (the one that
// Inkscape and LibreOffice draw whole) and the end-of-file record.
#pragma once

#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
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
  // Layout: the five mapping records and the move to the origin, then nothing but whole paths,
  // each holding its start point and at least one line (no empty bracket, no move outside):
  // BEGINPATH, CREATEPEN, SELECTOBJECT (pen 1), MOVETOEX, LINETO..., ENDPATH, STROKEPATH with the
  // bounds of the path's points, SELECTOBJECT (stock black pen), DELETEOBJECT (1); then EOF.
  const uint32_t lead[6] = {U_EMR_SETMAPMODE,       U_EMR_SETWINDOWORGEX,   U_EMR_SETWINDOWEXTEX,
                            U_EMR_SETVIEWPORTORGEX, U_EMR_SETVIEWPORTEXTEX, U_EMR_MOVETOEX};
  size_t i = 1;
  for (uint32_t t : lead)
    if (i >= recs.size() || recs[i++].type != t)
      return Fail(why, "mapping records (record " + std::to_string(i - 1) + ")");
  auto is = [&recs](size_t k, uint32_t t) { return k < recs.size() && recs[k].type == t; };
  while (is(i, U_EMR_BEGINPATH)) {
    const std::string at = " (path at record " + std::to_string(i) + ")";
    if (!is(i + 1, U_EMR_CREATEPEN) || !is(i + 2, U_EMR_SELECTOBJECT) || recs[i + 2].w[2] != 1 ||
        !is(i + 3, U_EMR_MOVETOEX) || !is(i + 4, U_EMR_LINETO))
      return Fail(why, "path does not open with its pen and start point" + at);
    uint32_t l = recs[i + 3].w[2], r = l, t = recs[i + 3].w[3], b = t;
    size_t k = i + 4;
    for (; is(k, U_EMR_LINETO); ++k) {
      l = std::min(l, recs[k].w[2]);
      r = std::max(r, recs[k].w[2]);
      t = std::min(t, recs[k].w[3]);
      b = std::max(b, recs[k].w[3]);
    }
    if (!is(k, U_EMR_ENDPATH) || !is(k + 1, U_EMR_STROKEPATH) || !is(k + 2, U_EMR_SELECTOBJECT) ||
        recs[k + 2].w[2] != 0x80000007u || !is(k + 3, U_EMR_DELETEOBJECT) || recs[k + 3].w[2] != 1)
      return Fail(why, "path does not close with its stroke and pen release" + at);
    const std::vector<uint32_t>& s = recs[k + 1].w;
    if (s[2] != l || s[3] != t || s[4] != r || s[5] != b)
      return Fail(why, "stroke bounds are not those of the path's points" + at);
    i = k + 4;
  }
  if (i + 1 != recs.size())
    return Fail(why, "record outside a path (record " + std::to_string(i) + ")");
  const Record& e = recs.back();
  if (e.type != U_EMR_EOF) return Fail(why, "last record is not EOF");
  if (e.w.size() != 5 || e.w[2] != 0 || e.w[3] != 16 || e.w[4] != 20)
    return Fail(why, "EOF record fields");
  return true;
}

}  // namespace emf_test

using emf_test::CheckEmfFile;
