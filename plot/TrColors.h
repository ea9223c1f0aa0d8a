// Colour codes shared by the settings, the charts and the plotting devices (a code is a pen
// number).
#pragma once

enum TRColors {
  TRCOL_BLANC = 0,
  TRCOL_NOIR = 1,
  TRCOL_BLEU = 2,
  TRCOL_VERT = 3,
  TRCOL_ROUGE = 4,
  TRCOL_GRIS = 5,
  TRCOL_TURQUOISE = 6,
  TRCOL_VIOLET = 7,
  TRCOL_MARRON = 8,
  TRCOL_JAUNE = 9,
  TRCOL_BLEUCLAIR = 10,
  TRCOL_VERTCLAIR = 11,
  TRCOL_ROUGECLAIR = 12,
  TRCOL_GRISCLAIR = 13,
  TRCOL_TURQUOISECLAIR = 14,
  TRCOL_VIOLETCLAIR = 15
};
