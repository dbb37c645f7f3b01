// Kept apart: <asm/termbits.h> cannot share a file with <termios.h>.
#include "platform/comm_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool setCustomBaud(int fd, int baud) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~CBAUD;
  t.c_cflag |= BOTHER;
  t.c_ispeed = t.c_ospeed = static_cast<speed_t>(baud);
  t.c_cflag &= ~(CBAUD << IBSHIFT);
  t.c_cflag |= BOTHER << IBSHIFT;
  return ioctl(fd, TCSETS2, &t) == 0;
}
