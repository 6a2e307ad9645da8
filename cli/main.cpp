// The inicrypt program: the process's streams and locale around RunCli.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "base/fatal.h"
#include "cli/cli.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::ios::sync_with_stdio(false);
  inicrypt::SetFatalHandler([](const inicrypt::Text& box_text) {
    std::cerr << inicrypt::cli::ForMessage(box_text) << std::flush;
  });
  std::vector<std::string> args(argv + 1, argv + argc);
  inicrypt::cli::Console console = inicrypt::cli::ProcessConsole(std::cin, std::cout, std::cerr);
  const int code = inicrypt::cli::RunCli(args, console);
  std::cout.flush();
  return code;
}
