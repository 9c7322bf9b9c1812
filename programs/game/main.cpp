#include "app/command_line.h"
#include "app/frame_loop.h"

int main(int argc, char** argv) {
    const int status = fg::HandleCommandLine(argc, argv, stdout, stderr);
    return status == fg::COMMAND_LINE_PLAY ? fg::RunGame() : status;
}
