// Allegro 5 entry points of the screen layer and of the screen device, looked up when the first
// window opens: a program that draws no screen chart neither loads Allegro nor needs it.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_color.h>
#include <allegro5/allegro_image.h>
#include <allegro5/allegro_primitives.h>

// clang-format off
#define CORVANE_ALLEGRO_FONCTIONS(X) \
  X(al_install_system) \
  X(al_install_keyboard) \
  X(al_is_keyboard_installed) \
  X(al_install_mouse) \
  X(al_create_display) \
  X(al_destroy_display) \
  X(al_init_primitives_addon) \
  X(al_init_image_addon) \
  X(al_color_name) \
  X(al_clear_to_color) \
  X(al_create_timer) \
  X(al_destroy_timer) \
  X(al_create_event_queue) \
  X(al_destroy_event_queue) \
  X(al_register_event_source) \
  X(al_get_display_event_source) \
  X(al_get_keyboard_event_source) \
  X(al_get_timer_event_source) \
  X(al_get_next_event) \
  X(al_get_keyboard_state) \
  X(al_key_down) \
  X(al_rest) \
  X(al_draw_line) \
  X(al_draw_circle) \
  X(al_put_pixel) \
  X(al_flip_display) \
  X(al_destroy_bitmap) \
  X(al_destroy_mouse_cursor) \
  X(al_destroy_thread)
// clang-format on

// One pointer per entry point, named as the function it calls.
struct TAllegro {
#define CORVANE_ALLEGRO_MEMBRE(nom) decltype(&::nom) nom;
  CORVANE_ALLEGRO_FONCTIONS(CORVANE_ALLEGRO_MEMBRE)
#undef CORVANE_ALLEGRO_MEMBRE
};

// The entry points, the libraries being loaded at the first call; null when a library or an
// entry point cannot be found (the loader's reason then goes once to the standard error stream).
const TAllegro* Allegro();
// The entry points when an earlier call of Allegro() loaded them, else null; never loads.
const TAllegro* AllegroCharge();
