// Writes one profile entry `count` times with the values first, first + 1, ...
// Exit status 0 when every write succeeded. Used to race two processes.
#include <cstdlib>

#include "framework/win_app.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  CWinApp app;
  app.SetRegistryKey("Nodrek");
  const int first = std::atoi(argv[3]);
  const int count = std::atoi(argv[4]);
  for (int i = 0; i < count; ++i) {
    if (!app.WriteProfileInt(argv[1], argv[2], first + i)) return 1;
  }
  return 0;
}
