// Runs `slotkit` in-process with captured output.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/slotkit_cli.h"
#include "history_home.h"

namespace slotkit::test {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& input = "",
                     bool interactive = false) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = cli::RunSlotkit(args, {in, out, err, interactive});
    return {status, out.str(), err.str()};
}

}  // namespace slotkit::test
