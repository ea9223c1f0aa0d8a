// Enhanced Metafile output device: every drawn polyline becomes one stroked path that holds its
// own start point (BEGINPATH, CREATEPEN, SELECTOBJECT, MOVETOEX, LINETO..., ENDPATH, STROKEPATH,
// SELECTOBJECT, DELETEOBJECT); the header is rewritten with the final sizes, counts and bounds
// when the drawing is closed.
#pragma once

#include <cstdint>
#include <string>

#include "plot/Tampon.h"
#include "plot/TrInfo.h"

typedef std::uint32_t emf_dword;
typedef int emf_int;

// The metafile header record (EMR_HEADER), 112 bytes.
struct T_EMF_header {
  emf_dword iType, nSize;
  emf_dword BoundsLeft, BoundsTop, BoundsRight, BoundsBottom;
  emf_dword FrameLeft, FrameTop, FrameRight, FrameBottom;
  emf_dword dSignature, nVersion, nBytes, nRecords;
  emf_dword nHandles, nDescription, offDescription, nPalEntries;
  emf_dword DeviceX, DeviceY, MillimX, MillimY;
  std::uint16_t Description[12];
};

// EMR_CREATEPEN, the pen of the next path.
struct T_EMF_CreatePen {
  emf_dword fct, size, ihPen, PenStyle, WidthX, WidthY, col;
};

// EMR_STROKEPATH with the bounds of the points written since the last stroke.
struct T_EMF_StrokePath {
  emf_dword fct, size, left, top, right, bottom;
};

class C_EMF : public TR_INFO {
 public:
  int emf_stat_ = 0;          // 0 after a pen or width change, 1 last a move, 2 last a draw
  unsigned int emf_pts_ = 0;  // moves written since the last pen change
  T_EMF_header EMF_header;    // kept in memory, rewritten at the end
  int mc = 1;                 // current pen (colour) number
  unsigned int mw = 0;        // current pen width in device units
  // Writer state: absolute position, path-open flag and the two record templates.
  emf_int emf_x = 0, emf_y = 0;
  int pl = 0;                     // a path is open
  T_EMF_CreatePen emf_CreatePen;  // pen of the next path opened
  T_EMF_StrokePath emf_StrokePath;

  explicit C_EMF(const char* nomfic);
  ~C_EMF() override;

  void tr_init() override;
  void tr_move(emf_int dx, emf_int dy, int st) override;
  void tr_pen(int pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;

  // Writes one record (type word, size word, then the rest), counting bytes and records.
  void emf_write(const void* r);
  // Widens the header bounds and the stroke bounds with a written point.
  void emf_lims(emf_dword x, emf_dword y);
  void emf_moveto(emf_int x, emf_int y);
  void emf_lineto(emf_int x, emf_int y);
  // Opens a path at the start point (x, y): BEGINPATH, CREATEPEN, SELECTOBJECT, MOVETOEX.
  void emf_open_path(emf_int x, emf_int y);
  void emf_close_path();
  // Pen and width of the paths opened from now on.
  void emf_pen(int n, unsigned int w);
  // End of file: closes the path, writes EMR_EOF, computes the frame and rewrites the header.
  void emf_end();

 private:
  void reset_stroke_bounds();
  void point_record(emf_dword type, emf_dword x, emf_dword y);
  void write_header();
  // Widens the header bounds only: a pen-up position counts in the drawing's extent although
  // no record is written for it.
  void header_lims(emf_dword x, emf_dword y);
  TTampon tampon_{this};
  std::string nom_;  // owned copy of the file name, NomFichier points into it
};
