#include "cli/cli_commands.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    return quorva::cli::runCli(argc, argv, std::cout, std::cerr, std::cin, isatty(STDIN_FILENO) != 0,
                               isatty(STDOUT_FILENO) != 0);
}
