#include "cli/Reporter.h"

namespace kdx::cli {

Reporter::Reporter(bool json, bool jsonProgress, bool quiet, std::FILE* out, std::FILE* err, bool errIsTerminal)
    : m_json(json), m_jsonProgress(jsonProgress), m_quiet(quiet), m_out(out), m_err(err),
      m_errIsTerminal(errIsTerminal)
{
}

void Reporter::result(const JsonObject& json, const std::string& plain)
{
    if (!m_out)
        return;
    endProgress();
    const std::string line = m_json ? withWarnings(json).text() : plain;
    std::fputs((line + "\n").c_str(), m_out);
    std::fflush(m_out);
}

void Reporter::progress(const std::string& step, int percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    if (step == m_lastStep && percent == m_lastPercent)
        return;
    const bool newStep = step != m_lastStep;
    m_lastStep = step;
    m_lastPercent = percent;
    if (m_json && m_jsonProgress) {
        std::fputs((JsonObject().add("progress", step).add("percent", percent).text() + "\n").c_str(), m_out);
        std::fflush(m_out);
    }
    if (m_quiet)
        return;
    if (m_errIsTerminal) {
        std::fprintf(m_err, "\r%s: %3d %%", step.c_str(), percent);
        m_progressOpen = true;
    } else if (newStep || percent == 100 || percent % 25 == 0) {
        // Plain lines for a log: a step's start, quarter marks and its end.
        std::fprintf(m_err, "%s: %d %%\n", step.c_str(), percent);
    }
    std::fflush(m_err);
}

void Reporter::endProgress()
{
    if (m_progressOpen) {
        std::fputs("\n", m_err);
        m_progressOpen = false;
    }
    m_lastStep.clear();
    m_lastPercent = -1;
}

void Reporter::note(const std::string& text)
{
    if (m_quiet)
        return;
    endProgress();
    std::fprintf(m_err, "%s\n", text.c_str());
    std::fflush(m_err);
}

void Reporter::error(const std::string& text, int exitCode)
{
    if (!m_err)
        return;
    endProgress();
    std::fprintf(m_err, "kdx-cli: %s\n", text.c_str());
    std::fflush(m_err);
    if (m_json) {
        std::fputs((withWarnings(JsonObject().add("error", text).add("exit", exitCode)).text() + "\n").c_str(),
                   m_out);
        std::fflush(m_out);
    }
}

void Reporter::warning(const std::string& text)
{
    m_warnings.push_back(jsonString(text));
    note("warning: " + text);
}

JsonObject Reporter::withWarnings(JsonObject json) const
{
    if (!m_warnings.empty())
        json.raw("warnings", jsonArray(m_warnings));
    return json;
}

void Reporter::failure(JsonObject json, const std::string& plain, const std::string& text, int exitCode)
{
    if (m_json) {
        json.add("error", text).add("exit", exitCode);
        result(json, plain);
        if (m_err) {
            std::fprintf(m_err, "kdx-cli: %s\n", text.c_str());
            std::fflush(m_err);
        }
        return;
    }
    result(json, plain);
    error(text, exitCode);
}

} // namespace kdx::cli
