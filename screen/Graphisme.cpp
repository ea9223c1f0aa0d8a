// Screen graphics layer over Allegro 5: window set-up, space-bar wait, pixel and user-coordinate
// primitives. Pixel y grows upward; a pixel (x, y) is drawn at display row Ymax - y.
#include "screen/Graphisme.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "screen/Allegro.h"

T_CURRENT CURRENT = {{0.0, 0.0}, {0.0f, 0.0f, 0.0f, 0.0f}, 1.0f, 775, 525, -1550.0, 1550.0, -50.0,
                     2050.0};
T_al_context al_context = {};
ALLEGRO_KEYBOARD_STATE k_state;
const float FPS = 20.0f;

namespace {

// Pause between two polls of the keyboard while waiting for the space bar.
constexpr double kPollPeriod = 0.01;

bool HasDisplay() { return al_context.al != nullptr; }

// Allegro's entry points: only used once InitGraph has loaded them (a display, a queue or a
// timer exists only then).
const TAllegro& Al() { return *AllegroCharge(); }

// floor(v + 0.5) as a pixel coordinate; far-off or undefined values are clamped so that a
// degenerate user window cannot produce an out-of-range conversion.
int RoundPixel(double v) {
  constexpr double kLimit = 1.0e7;
  if (std::isnan(v)) return 0;
  double r = std::floor(v + 0.5);
  if (r > kLimit) r = kLimit;
  if (r < -kLimit) r = -kLimit;
  return static_cast<int>(r);
}

// A point's coordinate truncated toward zero, clamped like RoundPixel.
int TruncPixel(double v) { return RoundPixel(std::trunc(v)); }

void Flip() {
  if (HasDisplay()) Al().al_flip_display();
}

// Reads the pending events of the window; true when its close box was used.
bool CloseBoxUsed() {
  if (al_context.event_queue == nullptr) return false;
  ALLEGRO_EVENT ev;
  bool closed = false;
  while (Al().al_get_next_event(al_context.event_queue, &ev)) {
    if (ev.type == ALLEGRO_EVENT_DISPLAY_CLOSE) closed = true;
  }
  return closed;
}

// Waits for one complete press of the space bar (down, then up) or for the close box.
void WaitSpace() {
  bool pressed = false;
  for (;;) {
    if (CloseBoxUsed()) return;
    Al().al_get_keyboard_state(&k_state);
    bool down = Al().al_key_down(&k_state, ALLEGRO_KEY_SPACE);
    if (!pressed) {
      pressed = down;
    } else if (!down) {
      return;
    }
    Al().al_rest(kPollPeriod);
  }
}

// The pixels of the box corners (relative to the centre) turned about p and joined in order.
void DrawPolygon(const T_GrPOINT* p, const T_GrPOINT* rel, int n, double ang) {
  T_GrPOINT v[4];
  for (int i = 0; i < n; i++) {
    v[i] = {p->x + rel[i].x, p->y + rel[i].y};
    Rotate(p, &v[i], ang);
  }
  MOVETOP(&v[0]);
  for (int i = 1; i < n; i++) LINETOP(&v[i]);
  LINETOP(&v[0]);
}

}  // namespace

int InitGraph(unsigned width, unsigned height) {
  // A width or height of 1 would ask for an empty display, which the window system refuses.
  if (width - 1 > 1999 || height - 1 > 1999 || width < 2 || height < 2) return -1;
  if (HasDisplay()) return -1;          // one window at a time
  if (Allegro() == nullptr) return -1;  // Allegro is loaded by the first window
  if (!Al().al_install_system(ALLEGRO_VERSION_INT, atexit)) return -1;
  Al().al_install_keyboard();  // without a keyboard the window simply does not wait

  CURRENT.Xmax = static_cast<int>(width) - 1;
  CURRENT.Ymax = static_cast<int>(height) - 1;
  al_context.al = Al().al_create_display(CURRENT.Xmax, CURRENT.Ymax);
  if (al_context.al == nullptr) {
    std::puts("Echec create display");
    return 1;
  }
  std::puts("Create display Ok");
  std::puts(Al().al_init_primitives_addon() ? "Init primitives Ok" : "Echec init primitives");

  Al().al_clear_to_color(Al().al_color_name("white"));
  AlSetColor(Al().al_color_name("black"));

  const char* failure = nullptr;
  if ((al_context.timer = Al().al_create_timer(1.0 / FPS)) == nullptr) {
    failure = "failed to create timer!\n";
  } else if ((al_context.timerT = Al().al_create_timer(0.001)) == nullptr) {
    failure = "failed to create timerT!\n";
  } else if (!Al().al_init_image_addon()) {
    failure = "Failed to Initialize Images.\n";
  } else if (!Al().al_install_mouse()) {
    failure = "Error installing mouse\n";
  } else if ((al_context.event_queue = Al().al_create_event_queue()) == nullptr) {
    failure = "failed to create event_queue!\n";
  } else if ((al_context.timerT_queue = Al().al_create_event_queue()) == nullptr) {
    failure = "failed to create timerT_queue!\n";
  }
  if (failure != nullptr) {
    std::fputs(failure, stderr);
    al_destroy_context();
    return -1;
  }

  Al().al_register_event_source(al_context.event_queue,
                                Al().al_get_display_event_source(al_context.al));
  if (Al().al_is_keyboard_installed())
    Al().al_register_event_source(al_context.event_queue, Al().al_get_keyboard_event_source());
  Al().al_register_event_source(al_context.event_queue,
                                Al().al_get_timer_event_source(al_context.timer));
  Al().al_register_event_source(al_context.timerT_queue,
                                Al().al_get_timer_event_source(al_context.timerT));

  UserCoord(0.0, 1000.0, 0.0, 1000.0);
  return 0;
}

void CloseGraph() {
  if (!HasDisplay()) {  // nothing to show, nothing to wait for
    al_destroy_context();
    return;
  }
  Al().al_flip_display();
  bool wait = Al().al_is_keyboard_installed();
  if (wait) {
    std::fputs("Taper <ESPACE>...", stdout);
    std::fflush(stdout);
    WaitSpace();
  }
  al_destroy_context();
  if (wait) std::putchar('\n');
  std::fflush(stdout);
}

void al_destroy_context() {
  if (al_context.bm1) Al().al_destroy_bitmap(al_context.bm1);
  if (al_context.bm2) Al().al_destroy_bitmap(al_context.bm2);
  if (al_context.custom_cursor) Al().al_destroy_mouse_cursor(al_context.custom_cursor);
  if (al_context.thread_T) Al().al_destroy_thread(al_context.thread_T);
  if (al_context.timer) Al().al_destroy_timer(al_context.timer);
  if (al_context.timerT) Al().al_destroy_timer(al_context.timerT);
  if (al_context.event_queue) Al().al_destroy_event_queue(al_context.event_queue);
  if (al_context.timerT_queue) Al().al_destroy_event_queue(al_context.timerT_queue);
  if (al_context.al) Al().al_destroy_display(al_context.al);
  al_context = T_al_context{};
}

int GetXmax() { return CURRENT.Xmax; }
int GetYmax() { return CURRENT.Ymax; }

void UserCoord(double xmin, double xmax, double ymin, double ymax) {
  CURRENT.UXmin = xmin;
  CURRENT.UXmax = xmax;
  CURRENT.UYmin = ymin;
  CURRENT.UYmax = ymax;
}

int ToUserX(double x) {
  return RoundPixel((x - CURRENT.UXmin) * CURRENT.Xmax / (CURRENT.UXmax - CURRENT.UXmin));
}

int ToUserY(double y) {
  return RoundPixel((y - CURRENT.UYmin) * CURRENT.Ymax / (CURRENT.UYmax - CURRENT.UYmin));
}

double ToScreenX(int x) {
  return CURRENT.UXmin + (CURRENT.UXmax - CURRENT.UXmin) * x / CURRENT.Xmax;
}

double ToScreenY(int y) {
  return CURRENT.UYmin + (CURRENT.UYmax - CURRENT.UYmin) * (CURRENT.Ymax - y) / CURRENT.Ymax;
}

void Rotate(const T_GrPOINT* org, T_GrPOINT* p, double ang) {
  double a = ang * M_PI / 180.0;
  double dx = p->x - org->x, dy = p->y - org->y;
  p->x = org->x + dx * std::cos(a) - dy * std::sin(a);
  p->y = org->y + dx * std::sin(a) + dy * std::cos(a);
}

void AlSetColor(ALLEGRO_COLOR c) { CURRENT.col = c; }
void AlSetEp(double ep) { CURRENT.ep = static_cast<float>(ep); }

void AlMoveTo(int x, int y) { CURRENT.p = {double(x), double(CURRENT.Ymax - y)}; }

void AlLineTo(int x, int y) {
  T_GrPOINT to = {double(x), double(CURRENT.Ymax - y)};
  if (HasDisplay()) {
    Al().al_draw_line(float(CURRENT.p.x), float(CURRENT.p.y), float(to.x), float(to.y), CURRENT.col,
                      CURRENT.ep);
  }
  CURRENT.p = to;
}

void AlPutPixel(int x, int y) {
  T_GrPOINT at = {double(x), double(CURRENT.Ymax - y)};
  if (HasDisplay()) Al().al_put_pixel(x, CURRENT.Ymax - y, CURRENT.col);
  CURRENT.p = at;
}

void AlCircle(int x, int y, int r) {
  if (HasDisplay()) {
    Al().al_draw_circle(float(x), float(CURRENT.Ymax - y), float(r), CURRENT.col, CURRENT.ep);
  }
}

void AlMoveToP(const T_GrPOINT* p) { AlMoveTo(TruncPixel(p->x), TruncPixel(p->y)); }
void AlLineToP(const T_GrPOINT* p) { AlLineTo(TruncPixel(p->x), TruncPixel(p->y)); }

void MOVETO(double ux, double uy) { AlMoveTo(ToUserX(ux), ToUserY(uy)); }
void MOVETOP(const T_GrPOINT* p) { MOVETO(p->x, p->y); }
void LINETO(double ux, double uy) { AlLineTo(ToUserX(ux), ToUserY(uy)); }
void LINETOP(const T_GrPOINT* p) { LINETO(p->x, p->y); }
void PUTPIXEL(double ux, double uy) { AlPutPixel(ToUserX(ux), ToUserY(uy)); }

void DRAWBOX(const T_GrPOINT* p, double larg, double haut, double ang) {
  const T_GrPOINT rel[4] = {
      {-larg / 2, -haut / 2}, {-larg / 2, haut / 2}, {larg / 2, haut / 2}, {larg / 2, -haut / 2}};
  DrawPolygon(p, rel, 4, ang);
  MOVETOP(p);
  Flip();
}

void DRAWBOXXY(double x, double y, double larg, double haut, double ang) {
  T_GrPOINT p = {x, y};
  DRAWBOX(&p, larg, haut, ang);
}

void DRAWBOXD(double xn, double xm, double yn, double ym) {
  MOVETO(xn, yn);
  LINETO(xn, ym);
  LINETO(xm, ym);
  LINETO(xm, yn);
  LINETO(xn, yn);
  Flip();
}

void DRAWRECT(T_GrRect* r) {
  T_GrPOINT c = {double((r->xmin + r->xmax) / 2), double((r->ymin + r->ymax) / 2)};
  DRAWBOX(&c, double(r->xmax - r->xmin), double(r->ymax - r->ymin), 0.0);
}

void DRAWEQUILATERAL(const T_GrPOINT* p, double base, double ang) {
  double h = base * 0.8660254037844386;
  const T_GrPOINT rel[3] = {{-base / 2, -h / 3}, {base / 2, -h / 3}, {0.0, 2 * h / 3}};
  DrawPolygon(p, rel, 3, ang);
}

void DRAWEQUILATERALXY(double x, double y, double base, double ang) {
  T_GrPOINT p = {x, y};
  DRAWEQUILATERAL(&p, base, ang);
}

void CIRCLE(const T_GrPOINT* p, double r) { CIRCLEXY(p->x, p->y, r); }

void CIRCLEXY(double x, double y, double r) {
  int radius = RoundPixel(r * CURRENT.Xmax / (CURRENT.UXmax - CURRENT.UXmin));
  AlCircle(ToUserX(x), ToUserY(y), radius);
  Flip();
}

bool IsInRect(int x, int y, T_GrRect* r) {
  return r->xmin <= x && x <= r->xmax && r->ymin <= y && y <= r->ymax;
}
