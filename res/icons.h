#pragma once
// The program's icons as SVG pictures: each icon has one picture drawn for 16 x 16
// and one for 32 x 32 pixels, so both sizes stay sharp at any scale.
#include <cstddef>

struct IconImage {
  int size;         // the square size, in pixels, the picture is drawn for
  const char* svg;  // a complete SVG document
};

struct IconResource {
  unsigned id;
  const IconImage* images;  // smallest first
  std::size_t imageCount;
};

// The icon `id`, or nullptr.
const IconResource* FindIconResource(unsigned id);
