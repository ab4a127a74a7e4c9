#include "app/commandline.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // A write beyond the file-size limit then fails with EFBIG and is reported, instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    // The settings file lives beside the program, so find the program itself, not the name it was run by.
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        program = std::filesystem::absolute(argc > 0 ? argv[0] : "tamarisk", error);
    return tamarisk::app::runCommandLine(program.string(), args,
                                         {std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1});
}
