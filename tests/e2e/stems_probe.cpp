// Tells whether a screenshot shows "mmm" as nine even stems within a rectangle of it.
// Usage: stems_probe SHOT.png LEFT TOP WIDTH HEIGHT (device pixels); status 0 when it does.
#include <QImage>

#include <cstdio>

#include "support/stems.h"

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  const QImage shot(QString::fromLocal8Bit(argv[1]));
  const QImage area =
      shot.copy(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  const auto found = orv::test::stems(area);
  std::printf("%zu stems (width/ink):", found.size());
  for (const auto& [width, ink] : found) std::printf(" %d/%d", width, ink);
  std::printf("\n");
  return orv::test::nineEvenStems(found) ? 0 : 1;
}
