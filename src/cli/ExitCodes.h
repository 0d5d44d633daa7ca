#pragma once

// Exit codes of kdx-cli, stable for scripts (documented in --help and the README).
namespace kdx::cli {

constexpr int kExitOk = 0;
constexpr int kExitDiffer = 1;          // diff --exit-code: the two sets differ
constexpr int kExitUsage = 2;           // unknown command or option, missing argument
constexpr int kExitNoController = 3;    // no port answered the identify command
constexpr int kExitAmbiguous = 4;       // several controllers answered; name one with --port
constexpr int kExitCommunication = 5;   // the controller stopped answering or answered wrongly
constexpr int kExitFile = 6;            // a file could not be read, written or parsed
constexpr int kExitVerify = 7;          // the controller does not hold what was written
constexpr int kExitNotSound = 8;        // the production test's verdict is not sound
constexpr int kExitRefused = 9;         // write: the file is another controller's (--allow-other)
constexpr int kExitInterrupted = 130;   // Ctrl-C

} // namespace kdx::cli
