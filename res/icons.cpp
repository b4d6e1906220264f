#include "res/icons.h"

#include <iterator>

#include "res/resource.h"

namespace {

// A yellow smiling face with a black outline; transparent around the circle.
constexpr IconImage kMainFrame[] = {
    {16,
     R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="7" fill="#FFE11A" stroke="#000000" stroke-width="1"/>
<ellipse cx="5.5" cy="6" rx="1" ry="1.5" fill="#000000"/>
<ellipse cx="10.5" cy="6" rx="1" ry="1.5" fill="#000000"/>
<path d="M4.2 9.4 Q8 13.8 11.8 9.4" fill="none" stroke="#000000" stroke-width="1.1" stroke-linecap="round"/>
</svg>)"},
    {32,
     R"(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
<circle cx="16" cy="16" r="14.5" fill="#FFE11A" stroke="#000000" stroke-width="2"/>
<ellipse cx="11.5" cy="12" rx="2" ry="3" fill="#000000"/>
<ellipse cx="20.5" cy="12" rx="2" ry="3" fill="#000000"/>
<path d="M8.5 18.5 Q16 27.5 23.5 18.5" fill="none" stroke="#000000" stroke-width="2.2" stroke-linecap="round"/>
</svg>)"},
};

// A raised light-grey tile: black and dark-grey shadow below and right, white and
// light-grey highlight above and left, then the face.
#define MOSSGATE_TILE_16                                                             \
  R"(<rect x="0" y="0" width="16" height="16" fill="#000000"/>)"                     \
  R"(<rect x="0" y="0" width="15" height="15" fill="#FFFFFF"/>)"                     \
  R"(<rect x="1" y="1" width="14" height="14" fill="#808080"/>)"                     \
  R"(<rect x="1" y="1" width="13" height="13" fill="#DFDFDF"/>)"                     \
  R"(<rect x="2" y="2" width="12" height="12" fill="#C0C0C0"/>)"
#define MOSSGATE_TILE_32                                                             \
  R"(<rect x="0" y="0" width="32" height="32" fill="#000000"/>)"                     \
  R"(<rect x="0" y="0" width="31" height="31" fill="#FFFFFF"/>)"                     \
  R"(<rect x="1" y="1" width="30" height="30" fill="#808080"/>)"                     \
  R"(<rect x="1" y="1" width="29" height="29" fill="#DFDFDF"/>)"                     \
  R"(<rect x="2" y="2" width="28" height="28" fill="#C0C0C0"/>)"
#define MOSSGATE_SVG_OPEN(n)                                                           \
  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" #n "\" height=\"" #n "\" viewBox=\"0 0 " #n \
  " " #n "\" shape-rendering=\"crispEdges\">"
// An etched outline: the white copy one pixel down and right, the dark one on top.
#define MOSSGATE_ETCHED(points, shifted)                                                     \
  "<polygon points=\"" shifted "\" fill=\"none\" stroke=\"#FFFFFF\" stroke-width=\"1\" "     \
  "stroke-linejoin=\"miter\" shape-rendering=\"geometricPrecision\"/>"                       \
  "<polygon points=\"" points "\" fill=\"none\" stroke=\"#808080\" stroke-width=\"1\" "      \
  "stroke-linejoin=\"miter\" shape-rendering=\"geometricPrecision\"/>"

constexpr IconImage kTempoUp[] = {
    {16, MOSSGATE_SVG_OPEN(16) MOSSGATE_TILE_16 MOSSGATE_ETCHED(
             "7.5,3.5 11.5,10.5 3.5,10.5", "8.5,4.5 12.5,11.5 4.5,11.5") "</svg>"},
    {32, MOSSGATE_SVG_OPEN(32) MOSSGATE_TILE_32 MOSSGATE_ETCHED(
             "15.5,7.5 23.5,22.5 7.5,22.5", "16.5,8.5 24.5,23.5 8.5,23.5") "</svg>"},
};

constexpr IconImage kTempoDown[] = {
    {16, MOSSGATE_SVG_OPEN(16) MOSSGATE_TILE_16 MOSSGATE_ETCHED(
             "3.5,4.5 11.5,4.5 7.5,11.5", "4.5,5.5 12.5,5.5 8.5,12.5") "</svg>"},
    {32, MOSSGATE_SVG_OPEN(32) MOSSGATE_TILE_32 MOSSGATE_ETCHED(
             "7.5,8.5 23.5,8.5 15.5,23.5", "8.5,9.5 24.5,9.5 16.5,24.5") "</svg>"},
};

#undef MOSSGATE_TILE_16
#undef MOSSGATE_TILE_32
#undef MOSSGATE_SVG_OPEN
#undef MOSSGATE_ETCHED

constexpr IconResource kIcons[] = {
    {IDR_MAINFRAME, kMainFrame, std::size(kMainFrame)},
    {IDI_TEMPO_UP, kTempoUp, std::size(kTempoUp)},
    {IDI_TEMPO_DOWN, kTempoDown, std::size(kTempoDown)},
};

}  // namespace

const IconResource* FindIconResource(unsigned id) {
  for (const IconResource& icon : kIcons) {
    if (icon.id == id) return &icon;
  }
  return nullptr;
}
