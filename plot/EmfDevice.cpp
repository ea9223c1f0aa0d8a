// Enhanced Metafile output device on a 50 x 50 cm page (20000 units), records written
// little-endian through the kernel's byte output.
#include "plot/EmfDevice.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr emf_dword kPageUnits = 20000;  // page height in device units; EMF y grows downward

// Pen colours as 0x00BBGGRR words.
const emf_dword kWinColor[16] = {0xFFFFFF, 0x000000, 0xC00000, 0x00C000, 0x0000C0, 0x606060,
                                 0x808000, 0x800080, 0x008080, 0x00FFFF, 0xFF8080, 0x80FF80,
                                 0x0000FF, 0xC0C0C0, 0xFFFF40, 0xFF40FF};

const emf_dword kSetMapMode[] = {17, 12, 8};
const emf_dword kSetWindowOrgEx[] = {10, 16, 0, 0};
const emf_dword kSetWindowExtEx[] = {9, 16, 1, 1};
const emf_dword kSetViewportOrgEx[] = {12, 16, 0, 0};
const emf_dword kSetViewportExtEx[] = {11, 16, 1, 1};
const emf_dword kMoveToOrigin[] = {27, 16, 0, kPageUnits};
const emf_dword kSelectPen[] = {37, 12, 1};
const emf_dword kSelectStock[] = {37, 12, 0x80000007};
const emf_dword kDeleteObject[] = {40, 12, 1};
const emf_dword kEof[] = {14, 20, 0, 16, 20};

// EMF y grows downward; points above the page are held on its top edge so the flipped y stays
// on the page.
inline emf_dword Flip(emf_int y) {
  return kPageUnits - (static_cast<emf_dword>(y) > kPageUnits ? kPageUnits : y);
}

inline void PutWord(unsigned char* p, emf_dword w) {
  p[0] = static_cast<unsigned char>(w);
  p[1] = static_cast<unsigned char>(w >> 8);
  p[2] = static_cast<unsigned char>(w >> 16);
  p[3] = static_cast<unsigned char>(w >> 24);
}
}  // namespace

C_EMF::C_EMF(const char* nomfic) : nom_(nomfic ? nomfic : "") {
  plume_max = 16;
  u_par_cmx = u_par_cmy = 400;
  tr_xmax = tr_ymax = 50.0;
  NomFichier = nom_.data();
  EMF_header = T_EMF_header{1,  112, 0xFFFFFFFF, 0xFFFFFFFF, 0,   0,   0, 0,
                            0,  0,   0x464D4520, 0x10000,    0,   0,   2, 12,
                            88, 0,   kPageUnits, kPageUnits, 500, 500, {}};
  const char* desc = "vantrelEMF";
  for (int i = 0; i < 12; ++i)
    EMF_header.Description[i] = i < 10 ? static_cast<std::uint16_t>(desc[i]) : 0;
  emf_CreatePen = T_EMF_CreatePen{38, 28, 1, 0, 1, 0, 0};
}

C_EMF::~C_EMF() {}

void C_EMF::emf_write(const void* r) {
  emf_dword size;
  std::memcpy(&size, static_cast<const unsigned char*>(r) + 4, 4);
  if (size > 112) size = 112;
  size &= ~3u;
  unsigned char* p = reinterpret_cast<unsigned char*>(tampon_.Place(size));
  for (emf_dword i = 0; i < size; i += 4) {
    emf_dword w;
    std::memcpy(&w, static_cast<const unsigned char*>(r) + i, 4);
    PutWord(p + i, w);
  }
  tampon_.Avance(reinterpret_cast<char*>(p + size));
  EMF_header.nBytes += size;
  EMF_header.nRecords += 1;
}

void C_EMF::header_lims(emf_dword x, emf_dword y) {
  T_EMF_header& h = EMF_header;
  if (x < h.BoundsLeft) h.BoundsLeft = x;
  if (x > h.BoundsRight) h.BoundsRight = x;
  if (y < h.BoundsTop) h.BoundsTop = y;
  if (y > h.BoundsBottom) h.BoundsBottom = y;
}

void C_EMF::emf_pen(int n, unsigned int w) {
  if (n < 0 || n >= 16) n = 1;
  mw = w;
  emf_CreatePen.WidthX = w;
  emf_CreatePen.col = kWinColor[n];
  mc = n;
}

void C_EMF::select_pen() {
  if (pen_made_ && pen_col_ == emf_CreatePen.col && pen_w_ == emf_CreatePen.WidthX) return;
  release_pen();
  emf_write(&emf_CreatePen);
  emf_write(kSelectPen);
  pen_made_ = true;
  pen_col_ = emf_CreatePen.col;
  pen_w_ = emf_CreatePen.WidthX;
}

void C_EMF::release_pen() {
  if (!pen_made_) return;
  emf_write(kSelectStock);
  emf_write(kDeleteObject);
  pen_made_ = false;
}

void C_EMF::tr_init() {
  tampon_.Debut();
  reducer_ = PolylineReducer();
  pts_.clear();
  pen_made_ = false;
  EMF_header.nRecords = 0;
  EMF_header.nBytes = 0;
  mc = 1;
  mw = 0;
  emf_x = emf_y = 0;
  write_header();  // a placeholder, rewritten with the final figures at the end
  EMF_header.nBytes += 112;
  EMF_header.nRecords += 1;
  emf_write(kSetMapMode);
  emf_write(kSetWindowOrgEx);
  emf_write(kSetWindowExtEx);
  emf_write(kSetViewportOrgEx);
  emf_write(kSetViewportExtEx);
  emf_write(kMoveToOrigin);
  // The origin does not count in the drawing's bounds.
  EMF_header.BoundsLeft = EMF_header.BoundsTop = 0xFFFFFFFF;
  EMF_header.BoundsRight = EMF_header.BoundsBottom = 0;
  emf_pen(1, 1);
}

// The pen goes up before a pen change (PLUME): the polyline ends with the pen it was drawn in.
void C_EMF::tr_pen(int pen) {
  end_polyline();
  emf_pen(pen, mw);
}

// A width change applies from the next polyline on; the one being drawn keeps its width, as a
// path of the PostScript device keeps the width it started with.
void C_EMF::tr_width(double mm) {
  // The nearest whole unit: 0.35 mm is 14 units, though 40 x 0.35 falls just below 14.
  const double v = 40 * mm + 0.5;
  const unsigned int w = v >= 0 && v < 4e9 ? static_cast<unsigned int>(v) : 0;
  emf_pen(mc, w);
}

// A drawn move starts a polyline at the point it starts from when none is being drawn; a
// pen-up move ends it and writes nothing itself, but its point counts in the drawing's bounds.
void C_EMF::tr_move(emf_int dx, emf_int dy, int st) {
  const emf_int x0 = emf_x, y0 = emf_y;
  emf_x += dx;
  emf_y += dy;
  if (emf_x < 0) emf_x = 0;
  if (emf_y < 0) emf_y = 0;
  if (!st) {
    end_polyline();
    header_lims(static_cast<emf_dword>(emf_x), Flip(emf_y));
    return;
  }
  if (!reducer_.Active()) {
    select_pen();
    reducer_.Begin(x0, y0);
    pts_.clear();
    pts_.push_back(x0);
    pts_.push_back(static_cast<std::int32_t>(Flip(y0)));
  }
  // The reducer sees the position held on the page, so that its points are those drawn.
  reducer_.Step(emf_x - x0, emf_y - y0);
  if (!reducer_.Points().empty()) take_points();
}

void C_EMF::take_points() {
  std::vector<PolylineReducer::Point>& pts = reducer_.Points();
  for (const PolylineReducer::Point& p : pts) {
    pts_.push_back(p.x);
    pts_.push_back(static_cast<std::int32_t>(Flip(p.y)));
  }
  pts.clear();
}

// One record for the whole polyline, with the bounds of its points: 16-bit points where they
// all fit, 32-bit ones otherwise.
void C_EMF::end_polyline() {
  if (!reducer_.Active()) return;
  reducer_.End();
  take_points();
  const size_t n = pts_.size() / 2;
  std::int32_t l = pts_[0], r = pts_[0], t = pts_[1], b = pts_[1];
  for (size_t i = 0; i < n; ++i) {
    l = std::min(l, pts_[2 * i]);
    r = std::max(r, pts_[2 * i]);
    t = std::min(t, pts_[2 * i + 1]);
    b = std::max(b, pts_[2 * i + 1]);
  }
  header_lims(static_cast<emf_dword>(l), static_cast<emf_dword>(t));
  header_lims(static_cast<emf_dword>(r), static_cast<emf_dword>(b));
  const bool court = l >= -32768 && r <= 32767 && t >= -32768 && b <= 32767;
  const size_t taille = 28 + n * (court ? 4 : 8);
  record_.resize(taille);
  unsigned char* p = record_.data();
  PutWord(p, court ? 87 : 4);  // EMR_POLYLINE16 or EMR_POLYLINE
  PutWord(p + 4, static_cast<emf_dword>(taille));
  PutWord(p + 8, static_cast<emf_dword>(l));
  PutWord(p + 12, static_cast<emf_dword>(t));
  PutWord(p + 16, static_cast<emf_dword>(r));
  PutWord(p + 20, static_cast<emf_dword>(b));
  PutWord(p + 24, static_cast<emf_dword>(n));
  p += 28;
  for (size_t i = 0; i < 2 * n; ++i) {
    const emf_dword v = static_cast<emf_dword>(pts_[i]);
    if (court) {
      p[0] = static_cast<unsigned char>(v);
      p[1] = static_cast<unsigned char>(v >> 8);
      p += 2;
    } else {
      PutWord(p, v);
      p += 4;
    }
  }
  tampon_.Ajoute(reinterpret_cast<const char*>(record_.data()), taille);
  EMF_header.nBytes += static_cast<emf_dword>(taille);
  EMF_header.nRecords += 1;
  pts_.clear();
}

void C_EMF::tr_close() { emf_end(); }

void C_EMF::tr_size(int, int) {}

void C_EMF::emf_end() {
  end_polyline();
  release_pen();
  emf_write(kEof);
  T_EMF_header& h = EMF_header;
  h.FrameRight = (h.BoundsRight * 5) / 2 + 5;
  h.FrameBottom = (h.BoundsBottom * 5) / 2 + 5;
  emf_dword v = (h.BoundsLeft * 5) / 2;
  h.FrameLeft = v >= 6 ? v - 5 : 0;
  v = (h.BoundsTop * 5) / 2;
  h.FrameTop = v >= 6 ? v - 5 : 0;
  // Rewind and write the final header; the rewrite is not counted.
  tampon_.Vide();
  bnsend(nullptr, -1);
  write_header();
  tampon_.Vide();
}

void C_EMF::write_header() {
  const T_EMF_header& h = EMF_header;
  const emf_dword words[22] = {
      h.iType,     h.nSize,    h.BoundsLeft, h.BoundsTop,    h.BoundsRight,    h.BoundsBottom,
      h.FrameLeft, h.FrameTop, h.FrameRight, h.FrameBottom,  h.dSignature,     h.nVersion,
      h.nBytes,    h.nRecords, h.nHandles,   h.nDescription, h.offDescription, h.nPalEntries,
      h.DeviceX,   h.DeviceY,  h.MillimX,    h.MillimY};
  unsigned char buf[112];
  for (int i = 0; i < 22; ++i) PutWord(buf + 4 * i, words[i]);
  for (int i = 0; i < 12; ++i) {
    buf[88 + 2 * i] = static_cast<unsigned char>(h.Description[i]);
    buf[89 + 2 * i] = static_cast<unsigned char>(h.Description[i] >> 8);
  }
  tampon_.Ajoute(reinterpret_cast<const char*>(buf), 112);
}
