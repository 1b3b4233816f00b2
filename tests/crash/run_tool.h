// Runs a program with its output and errors caught, without a shell.
#pragma once

#include <string>
#include <vector>

namespace slotkit::crash {

struct ToolResult {
    int status = -1;  // the exit status; -1 when it could not start or was killed
    std::string out, err;
};

ToolResult RunTool(const std::vector<std::string>& args,
                   const std::vector<std::string>& extraEnv = {});

}  // namespace slotkit::crash
