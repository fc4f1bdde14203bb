// Preloaded into genopt (LD_PRELOAD) by the directory-lock tests: every flock
// fails as it does on a file system that has no locks.

#include <cerrno>

extern "C" int flock(int, int) {
  errno = ENOLCK;
  return -1;
}
