// Screen graphics layer over Allegro 5: the single window, the space-bar wait and the pixel and
// user-coordinate drawing primitives (pixel y grows upward from the bottom of the window).
#pragma once

#include <allegro5/allegro.h>

#include <cstdint>

struct T_GrPOINT {
  double x, y;
};

struct T_GrRect {
  int32_t xmin, xmax, ymin, ymax;
};

// Current drawing state of the layer; survives a close and a new open.
struct T_CURRENT {
  T_GrPOINT p;  // pen position in display pixels (y already turned downward)
  ALLEGRO_COLOR col;
  float ep;  // line thickness in pixels
  int Xmax, Ymax;
  double UXmin, UXmax, UYmin, UYmax;  // user window mapped onto 0..Xmax and 0..Ymax
};

// Allegro resources of the open window; every pointer is null while nothing is open.
struct T_al_context {
  ALLEGRO_DISPLAY* al;
  ALLEGRO_TIMER* timer;
  ALLEGRO_TIMER* timerT;
  ALLEGRO_EVENT_QUEUE* event_queue;
  ALLEGRO_EVENT_QUEUE* timerT_queue;
  ALLEGRO_THREAD* thread_T;
  ALLEGRO_MOUSE_CURSOR* custom_cursor;
  ALLEGRO_BITMAP* bm1;
  ALLEGRO_BITMAP* bm2;
};

extern T_CURRENT CURRENT;
extern T_al_context al_context;
extern ALLEGRO_KEYBOARD_STATE k_state;
extern const float FPS;

// Set-up and tear-down. InitGraph returns 0 on success, 1 when the display cannot be created
// and -1 on a bad size, a window already open or any other failure.
int InitGraph(unsigned width, unsigned height);
void CloseGraph();
void al_destroy_context();

// State and conversions.
int GetXmax();
int GetYmax();
void UserCoord(double xmin, double xmax, double ymin, double ymax);
int ToUserX(double x);
int ToUserY(double y);
double ToScreenX(int x);
double ToScreenY(int y);
void Rotate(const T_GrPOINT* org, T_GrPOINT* p, double ang);
void AlSetColor(ALLEGRO_COLOR c);
void AlSetEp(double ep);

// Pixel primitives (y upward). They only move the pen while no window is open.
void AlMoveTo(int x, int y);
void AlLineTo(int x, int y);
void AlPutPixel(int x, int y);
void AlCircle(int x, int y, int r);
void AlMoveToP(const T_GrPOINT* p);
void AlLineToP(const T_GrPOINT* p);

// User-coordinate primitives.
void MOVETO(double ux, double uy);
void MOVETOP(const T_GrPOINT* p);
void LINETO(double ux, double uy);
void LINETOP(const T_GrPOINT* p);
void PUTPIXEL(double ux, double uy);
void DRAWBOX(const T_GrPOINT* p, double larg, double haut, double ang);
void DRAWBOXXY(double x, double y, double larg, double haut, double ang);
void DRAWBOXD(double xn, double xm, double yn, double ym);
void DRAWRECT(T_GrRect* r);
void DRAWEQUILATERAL(const T_GrPOINT* p, double base, double ang);
void DRAWEQUILATERALXY(double x, double y, double base, double ang);
void CIRCLE(const T_GrPOINT* p, double r);
void CIRCLEXY(double x, double y, double r);
bool IsInRect(int x, int y, T_GrRect* r);
