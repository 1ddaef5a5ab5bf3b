#include "Cli.h"

#include <CLI/CLI.hpp>

namespace zolctl {

int Run(int argc, char** argv) {
    CLI::App app{"zolctl: control large-format displays over the ZOL protocol"};
    app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }
    return 0;
}

} // namespace zolctl
