// The inicrypt program: the process's streams and locale around RunCli.
#include <clocale>
#include <exception>
#include <iostream>
#include <new>
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
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    inicrypt::cli::Console console = inicrypt::cli::ProcessConsole(std::cin, std::cout, std::cerr);
    const int code = inicrypt::cli::RunCli(args, console);
    std::cout.flush();
    return code;
  } catch (const std::bad_alloc&) {
    std::cerr << "inicrypt: out of memory\n";
  } catch (const std::exception& e) {
    std::cerr << "inicrypt: internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "inicrypt: internal error\n";
  }
  return 1;
}
