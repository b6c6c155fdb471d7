#pragma once

namespace tools {

// The tools' exit status, one meaning for each number in every tool; each lists its own in
// --help, so keep them in step.
enum ExitCode : int {
    Success = 0,
    ModuleFail = 1,
    Usage = 2,
    Timeout = 3,
    Cancelled = 4,
    PortUnavailable = 5,
    BadImage = 6,
    PortLost = 7,
    OutputFailed = 8,
};

} // namespace tools
