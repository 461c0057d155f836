// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/terminal.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace glyphpad {

bool query_terminal_size(terminal_size& size)
{
    const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    winsize ws{};
    const int result = ioctl(fd, TIOCGWINSZ, &ws);
    close(fd);
    if (result != 0)
        return false;
    size.columns = ws.ws_col;
    size.rows = ws.ws_row;
    return true;
}

void print_terminal_info(FILE* out)
{
    terminal_size size{80, 24};
    query_terminal_size(size);
    fprintf(out, "%u %u\n", size.columns, size.rows);
}

}  // namespace glyphpad
