#pragma once
// Sets any baud rate on an open tty (termios2), for rates without a B constant.
bool setCustomBaud(int fd, int baud);
