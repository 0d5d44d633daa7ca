#pragma once

#include "cli/CliArguments.h"
#include "cli/Reporter.h"
#include "params/ParameterFile.h"

#include <csignal>
#include <cstdint>
#include <string>

namespace kdx::cli {

// Set by the SIGINT handler; long commands stop at their next safe point.
extern volatile std::sig_atomic_t g_interrupted;

// Each runs one subcommand and returns the process's exit code.
int runPorts(const CliArguments& args, Reporter& out);
int runIdentify(const CliArguments& args, Reporter& out);
int runRead(const CliArguments& args, Reporter& out);
int runWrite(const CliArguments& args, Reporter& out);
int runDiff(const CliArguments& args, Reporter& out);
int runSet(const CliArguments& args, Reporter& out);
int runFlash(const CliArguments& args, Reporter& out);
int runMonitor(const CliArguments& args, Reporter& out);
int runTest(const CliArguments& args, Reporter& out);

class CliSession;

// Where a parameter file of this controller goes when no name is given:
// parametry/ below the current folder, named by serial number, time and reason.
std::string backupPath(uint32_t serialNumber, const std::string& reason);
// The connected controller's parameters as a parameter file at path; empty
// on success, else why it failed.
std::string saveBackup(CliSession& session, const std::string& path, const std::string& reason);
// Loads a parameter file into the connected controller (only the differing
// words, save, read back, compare) and reports it; returns the exit code.
int restoreFile(CliSession& session, Reporter& out, const ParameterFile& file, const std::string& path,
                bool giveSerial, bool dryRun, bool allowOther);

} // namespace kdx::cli
