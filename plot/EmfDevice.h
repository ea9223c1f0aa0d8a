// Enhanced Metafile output device: every drawn polyline becomes one polyline record
// (EMR_POLYLINE16 where its points fit 16 bits, else EMR_POLYLINE) with its points reduced
// (plot/PolylineReducer.h), drawn with the pen selected before it. A pen (CREATEPEN and
// SELECTOBJECT) is made only when the colour or the width of the next polyline differs from the
// pen in force; the previous one is released (stock pen selected, DELETEOBJECT) first. The
// header is rewritten with the final sizes, counts and bounds when the drawing is closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plot/PolylineReducer.h"
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

// EMR_CREATEPEN, the pen of the next polylines.
struct T_EMF_CreatePen {
  emf_dword fct, size, ihPen, PenStyle, WidthX, WidthY, col;
};

class C_EMF : public TR_INFO {
 public:
  T_EMF_header EMF_header;  // kept in memory, rewritten at the end
  int mc = 1;               // current pen (colour) number
  unsigned int mw = 0;      // current pen width in device units
  emf_int emf_x = 0, emf_y = 0;   // absolute position
  T_EMF_CreatePen emf_CreatePen;  // the pen of the next polyline

  explicit C_EMF(const char* nomfic);
  ~C_EMF() override;

  void tr_init() override;
  void tr_move(emf_int dx, emf_int dy, int st) override;
  void tr_pen(int pen) override;
  void tr_close() override;
  void tr_size(int dx, int dy) override;
  void tr_width(double mm) override;

  // Writes one record of at most 112 bytes (type word, size word, then the rest), counting
  // bytes and records.
  void emf_write(const void* r);
  // Pen and width of the polylines started from now on.
  void emf_pen(int n, unsigned int w);
  // End of file: ends the polyline, releases the pen, writes EMR_EOF, computes the frame and
  // rewrites the header.
  void emf_end();

 private:
  void write_header();
  // Widens the header bounds with a point (page coordinates, y downward).
  void header_lims(emf_dword x, emf_dword y);
  // Makes and selects the pen of the polyline that starts, when it is not the one in force.
  void select_pen();
  void release_pen();
  // Adds the points the reducer kept to the polyline; ends it with its record.
  void take_points();
  void end_polyline();
  TTampon tampon_{this};
  PolylineReducer reducer_;              // the polyline being drawn
  std::vector<std::int32_t> pts_;        // its points kept so far, x and y (flipped) in turn
  bool pen_made_ = false;                // pen 1 exists and is selected
  emf_dword pen_col_ = 0, pen_w_ = 0;    // its colour and width
  std::vector<unsigned char> record_;    // a polyline record being built
  std::string nom_;  // owned copy of the file name, NomFichier points into it
};
