#pragma once

#include "cli/CliArguments.h"
#include "cli/Reporter.h"

#include <csignal>

namespace kdx::cli {

// Set by the SIGINT handler; long commands stop at their next safe point.
extern volatile std::sig_atomic_t g_interrupted;

// Each runs one subcommand and returns the process's exit code.
int runPorts(const CliArguments& args, Reporter& out);
int runIdentify(const CliArguments& args, Reporter& out);
int runRead(const CliArguments& args, Reporter& out);
int runMonitor(const CliArguments& args, Reporter& out);
int runTest(const CliArguments& args, Reporter& out);

} // namespace kdx::cli
