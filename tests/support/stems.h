#pragma once

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace orv::test {

// The stems of `image` where they run side by side: in the middle one of the rows that cross the
// most of them (the top of an "m" crosses as many where it bends). For each stem, its width in
// pixels and its ink: the darkness of its pixels and of the smoothed pixel at either side summed,
// 255 a black pixel.
inline std::vector<std::pair<int, int>> stems(const QImage& image) {
  std::vector<std::vector<std::pair<int, int>>> rows;
  for (int y = 0; y < image.height(); ++y) {
    const auto dark = [&](int x) {
      return x < 0 || x >= image.width() ? 0 : 255 - qGray(image.pixel(x, y));
    };
    std::vector<std::pair<int, int>> row;
    for (int x = 0; x < image.width(); ++x) {
      if (dark(x) <= 96) continue;
      const int start = x;
      while (x < image.width() && dark(x) > 96) ++x;
      int ink = 0;
      for (int i = start - 1; i <= x; ++i) ink += dark(i);
      row.emplace_back(x - start, ink);
    }
    if (!rows.empty() && row.size() > rows[0].size()) rows.clear();
    if (rows.empty() || row.size() == rows[0].size()) rows.push_back(row);
  }
  return rows[rows.size() / 2];
}

// Whether `found` are nine stems of one width and, within a tenth, one ink: "mmm" drawn evenly.
inline bool nineEvenStems(const std::vector<std::pair<int, int>>& found) {
  return found.size() == 9 && std::ranges::all_of(found, [&](const std::pair<int, int>& stem) {
           return stem.first == found[0].first &&
                  std::abs(stem.second - found[0].second) <= found[0].second / 10;
         });
}
}  // namespace orv::test
