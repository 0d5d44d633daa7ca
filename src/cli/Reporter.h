#pragma once

#include "cli/JsonText.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kdx::cli {

// Where kdx-cli's output goes: results on stdout (plain lines or one JSON
// object each), progress and notes on stderr. Progress updates one line in
// place on a terminal and prints plain lines otherwise; with --json
// --progress each step is also a JSON object on stdout.
class Reporter {
public:
    Reporter(bool json, bool jsonProgress, bool quiet, std::FILE* out, std::FILE* err, bool errIsTerminal);
    // Prints nothing at all (for asking candidate ports one by one).
    static Reporter silent() { return Reporter(false, false, true, nullptr, nullptr, false); }

    bool json() const { return m_json; }
    void result(const JsonObject& json, const std::string& plain);
    // A long step: what is being done and how far (0..100).
    void progress(const std::string& step, int percent);
    // Ends an in-place progress line (called before any other output).
    void endProgress();
    void note(const std::string& text);
    // A note that a script must see too: every result or error object of
    // the run carries the warnings given so far ("warnings": [...]).
    void warning(const std::string& text);
    // Always shown; as {"error": ...} on stdout too with --json.
    void error(const std::string& text, int exitCode);
    // A result that is a failure: one object, the result's members with
    // "error" and "exit" added; the error line on stderr as error() does.
    void failure(JsonObject json, const std::string& plain, const std::string& text, int exitCode);

private:
    bool m_json;
    bool m_jsonProgress;
    bool m_quiet;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_errIsTerminal;
    bool m_progressOpen = false;
    std::string m_lastStep;
    std::vector<std::string> m_warnings; // JSON strings
    JsonObject withWarnings(JsonObject json) const;
    int m_lastPercent = -1;
};

} // namespace kdx::cli
