// Writes the coded-file type's two icons (desktop/ProgramIcons) as the PNG files the install
// puts into the hicolor theme, encoded as a start writes them for the user.
// Usage: murvel_type_icons LARGE.png MINI.png
#include <QImage>
#include <QString>
#include <cstdio>

#include "desktop/ProgramIcons.h"
#include "platform/Bitmap.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s LARGE.png MINI.png\n", argv[0]);
    return 2;
  }
  plat::Bitmap large(32, 32), mini(16, 16);
  large.SetBits(DataBBits, sizeof DataBBits);
  mini.SetBits(DataLBits, sizeof DataLBits);
  if (!large.ToImage().save(QString::fromLocal8Bit(argv[1]), "PNG") ||
      !mini.ToImage().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "%s: cannot write the icons\n", argv[0]);
    return 1;
  }
  return 0;
}
