#include "calc/full_width.h"

namespace halverne {

Text fold_full_width(std::string_view text) {
  Text out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    if (i + 1 == n) break;  // a lead byte without its second byte
    const int folded = fold_pair(lead, static_cast<unsigned char>(text[i + 1]));
    if (folded >= 0) {
      out.push_back(static_cast<char>(folded));
    } else {
      out.push_back(text[i]);
      out.push_back(text[i + 1]);
    }
    i += 2;
  }
  return out;
}

}  // namespace halverne
