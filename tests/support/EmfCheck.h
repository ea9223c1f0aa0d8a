// Test helper that reads an Enhanced Metafile back record by record with libUEMF and checks its
// structure: record types and sizes, header counts, path bracketing and the end-of-file record.
#pragma once

#include <uemf.h>
#include <uemf_safe.h>

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
  // Paths: BEGINPATH opens, ENDPATH closes, STROKEPATH strokes a closed path once.
  bool open = false, ended = false;
  for (size_t i = 1; i < recs.size(); ++i) {
    const std::string at = " (record " + std::to_string(i) + ")";
    switch (recs[i].type) {
      case U_EMR_HEADER:
        return Fail(why, "second header" + at);
      case U_EMR_BEGINPATH:
        if (open) return Fail(why, "BEGINPATH inside a path" + at);
        open = true;
        ended = false;
        break;
      case U_EMR_ENDPATH:
        if (!open) return Fail(why, "ENDPATH without BEGINPATH" + at);
        open = false;
        ended = true;
        break;
      case U_EMR_STROKEPATH:
        if (open || !ended) return Fail(why, "STROKEPATH without a closed path" + at);
        ended = false;
        break;
      case U_EMR_EOF:
        if (i + 1 != recs.size()) return Fail(why, "EOF is not the last record" + at);
        break;
      default:
        break;
    }
  }
  if (open) return Fail(why, "path left open");
  const Record& e = recs.back();
  if (e.type != U_EMR_EOF) return Fail(why, "last record is not EOF");
  if (e.w.size() != 5 || e.w[2] != 0 || e.w[3] != 16 || e.w[4] != 20)
    return Fail(why, "EOF record fields");
  return true;
}

}  // namespace emf_test

using emf_test::CheckEmfFile;
