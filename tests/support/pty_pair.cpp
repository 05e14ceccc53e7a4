#include "support/pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

PtyPair::PtyPair() {
  master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, name, sizeof name) != 0)
    return;
  slavePath = name;
  slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
}

PtyPair::~PtyPair() {
  closeMaster();
  if (slave >= 0) close(slave);
}

void PtyPair::closeMaster() {
  if (master >= 0) close(master);
  master = -1;
}
