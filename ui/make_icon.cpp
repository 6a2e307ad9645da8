// Build tool: writes the icon as a PNG for installation.
//   inicrypt-make-icon SIZE FILE.png
#include <QString>
#include <cstdlib>
#include <string>

#include "ui/icon.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int size = std::atoi(argv[1]);
  if (size < 16 || size > 1024) return 2;
  return inicrypt::ui::DrawIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
