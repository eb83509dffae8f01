#pragma once
// Rates without a termios constant (14400, 56000, 128000, 256000, all in the
// connection combo or common on adapters) go through the kernel's termios2.
bool SetCustomBaud(int fd, int baud);
