// Asks shared-mime-info, as Qt reads it, about one type, in a process of its own (Qt caches
// the database in the process that first used it): prints "comment|icon name" or "unknown".
#include <QMimeDatabase>
#include <QMimeType>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QMimeType type = QMimeDatabase().mimeTypeForName(argv[1]);
  if (!type.isValid()) {
    printf("unknown\n");
    return 1;
  }
  printf("%s|%s\n", qPrintable(type.comment()), qPrintable(type.iconName()));
  return 0;
}
