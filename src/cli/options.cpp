#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "catalogue/build_data.h"
#include "startup/identity.h"

namespace {

constexpr const char* ExitCodes =
    "Exit codes:\n"
    "  0    programmed (with --repeat: every device was)\n"
    "  2    bad usage\n"
    "  3    port not usable: absent, held by another program, or its settings refused\n"
    "  4    no device answered\n"
    "  5    refused before anything was written (unknown chip, incompatible bootloader,\n"
    "       hardware not suitable, no image, image too big): the device is untouched\n"
    "  6    failed while writing (no answer, five refusals, device gone): the device\n"
    "       holds a partial image\n"
    "  130  interrupted (Ctrl-C or SIGTERM)\n"
    "With --repeat, the code of the first device that failed.\n";

std::string VersionText() {
  return std::string(DisplayIdentity()) + " (built " + BuildDate + " " + BuildTime + ")";
}

}  // namespace

std::string ToolName(const char* argv0) {
  const std::string path = argv0 != nullptr ? argv0 : "tarvik-cli";
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ParseCliOptions(int argc, char** argv, CliOptions* out) {
  CLI::App app("Updates the firmware of a device with a serial bootloader, without a window: "
               "searches the port until the device's bootloader answers, writes the built-in "
               "image for its chip and board, and reports the result. Behaves toward the "
               "device exactly as the release's window does.");
  app.name(ToolName(argc > 0 ? argv[0] : nullptr));
  app.footer(ExitCodes);
  app.get_formatter()->column_width(28);
  app.add_option("-p,--port", out->port,
                 "COM<n> as the windows count ports, or a device path (/dev/ttyUSB0, a "
                 "ports-folder link); default: the port the window remembers")
      ->type_name("PORT");
  app.add_flag("--list-ports", out->listPorts,
               "list the serial ports present: COM name, device, description");
  app.add_flag("--list-images", out->listImages,
               "list the built-in images: the version listing, then chip, slot, sizes and "
               "masking of each image");
  app.add_flag("--json", out->json,
               "JSON Lines on standard output, one event a line; human text goes to standard "
               "error");
  CLI::Option* repeat = app.add_flag(
      "--repeat", out->repeat,
      "production mode: after each device wait until it leaves, then for the next one; "
      "one result line a device and a summary at the end");
  app.add_option("--count", out->count, "with --repeat: stop after N devices")
      ->type_name("N")
      ->check(CLI::PositiveNumber)
      ->needs(repeat);
  app.add_option("--trace", out->trace,
                 "write every byte sent and received, with monotonic time stamps, to FILE "
                 "(JSON Lines)")
      ->type_name("FILE");
  app.add_flag("-q,--quiet", out->quiet, "no human text (results and errors still go out)");
  bool version = false;
  app.add_flag("--version", version, "print the identity, build date and time, and exit");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s\nRun with --help for the options.\n", app.get_name().c_str(),
                 e.what());
    return ExitUsage;
  }
  if (version) {
    std::printf("%s\n", VersionText().c_str());
    return 0;
  }
  return -1;
}
