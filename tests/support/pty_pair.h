// A pseudo-terminal pair for tests: the master plays the device, the slave path is what
// the program opens as its port. A slave descriptor of the test's own stays open next to
// it, so the master never reads EIO and the slave's settings can be read back.
#pragma once

#include <string>

struct PtyPair {
  int master = -1;
  int slave = -1;  // the test's own descriptor of the slave
  std::string slavePath;

  PtyPair();  // check ok()
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master >= 0 && slave >= 0; }
  // Closes the master: the slave hangs up, as a device that vanished.
  void closeMaster();
};
