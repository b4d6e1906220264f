#include "metronome/percussion.h"

#include <string_view>

#include "res/resource.h"
#include "res/string_table.h"

namespace {

std::string PercussionLabel(std::string_view name, int nKey) {
  // Same text as "%s [%d]"; built without a fixed buffer since names are not bounded.
  std::string label(name);
  label += " [";
  label += std::to_string(nKey);
  label += ']';
  return label;
}

}  // namespace

std::vector<std::string> LoadPercussionLabels() {
  std::vector<std::string> labels;
  const char* text = FindStringResource(IDS_PERCUSSION_NAMES);
  if (text == nullptr) return labels;
  std::string_view rest(text);
  int nKey = FIRST_PERCUSSION_NOTE;
  for (auto comma = rest.find(','); comma != std::string_view::npos; comma = rest.find(',')) {
    labels.push_back(PercussionLabel(rest.substr(0, comma), nKey));
    ++nKey;
    rest.remove_prefix(comma + 1);
  }
  labels.push_back(PercussionLabel(rest, nKey));
  return labels;
}

BYTE PercussionNoteFromIndex(int nIndex) {
  return static_cast<BYTE>(FIRST_PERCUSSION_NOTE + nIndex);
}

int PercussionIndexFromNote(BYTE nNote) {
  return static_cast<int>(nNote) - static_cast<int>(FIRST_PERCUSSION_NOTE);
}
