#pragma once

namespace flash {

// The process's exit status; listed in --help, so keep both in step.
enum ExitCode : int {
    Success = 0,
    ModuleFail = 1,
    Usage = 2,
    Timeout = 3,
    Cancelled = 4,
    PortUnavailable = 5,
    BadImage = 6,
    PortLost = 7,
};

} // namespace flash
