#pragma once

// Runs `quorbex --download|--help|--version` without a window or a display: builds its own
// QCoreApplication from the arguments and returns the exit status (0 every symbol succeeded,
// 1 some did not, 2 usage error or failed check, 130 stopped by SIGINT or SIGTERM).
[[nodiscard]] int RunCommandLine(int argc, char **argv);
