#include "live/Tester.h"

#include "live/LiveConstants.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iconv.h>
#include <utility>

namespace kdx {

namespace {

constexpr const char* kProductCode = "RQ412";
constexpr const char* kMsgNoConnection = "Brak połączenia, nacisnij przycisk 'POŁĄCZ' !";
constexpr const char* kMsgWrongSerial = "To nie jest numer seryjny do tego produktu!";

size_t utf8Length(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// Length of the UTF-8 sequence starting with lead byte c (1 for a stray byte).
size_t utf8SequenceLength(unsigned char c)
{
    if (c >= 0xF0 && c < 0xF8) return 4;
    if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

std::string toWindows1250(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP1250", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string ascii;
        for (unsigned char c : utf8)
            if ((c & 0xC0) != 0x80)
                ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return ascii;
    }
    std::string out;
    std::string input = utf8;
    char* in = input.data();
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[256];
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // A character the code page lacks, or broken UTF-8: one '?' for
            // the whole sequence.
            const size_t skip = std::min(inLeft, utf8SequenceLength(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
            out.push_back('?');
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

Tester::Tester(UserPrompts& prompts, Tone& tone, std::string resultDirectory, std::vector<TesterCheck> checks)
    : m_prompts(prompts), m_tone(tone), m_resultDirectory(std::move(resultDirectory)), m_checks(std::move(checks))
{
}

bool Tester::isProductSerial(const std::string& text)
{
    if (utf8Length(text) != live::kSerialLength || text.compare(0, 5, kProductCode) != 0)
        return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            return false;
        switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
            return false;
        default: break;
        }
    }
    return true;
}

bool Tester::serialKeyUp(int key, const std::string& editText, bool connected)
{
    if (key != kEnterKey)
        return false;
    if (!connected) {
        m_prompts.message(kMsgNoConnection);
        return false;
    }
    checkSerial(editText);
    return true;
}

bool Tester::checkSerial(const std::string& editText)
{
    m_serialLabel = editText;
    if (isProductSerial(editText)) {
        m_armed = true;
        return true;
    }
    m_armed = false;
    m_prompts.message(kMsgWrongSerial);
    return false;
}

void Tester::addLog(const std::string& text)
{
    m_log.insert(m_log.begin(), text + ";");
}

std::string Tester::logText() const
{
    std::string text;
    for (size_t i = 0; i < m_log.size(); ++i) {
        if (i > 0)
            text += "\n";
        text += m_log[i];
    }
    return text;
}

std::string Tester::fileBytes(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return toWindows1250(text);
}

bool Tester::saveLog(std::string& path) const
{
    path = m_resultDirectory.empty() ? resultFileName(m_testSerial)
                                     : m_resultDirectory + "/" + resultFileName(m_testSerial);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const std::string bytes = fileBytes(m_log);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

Tester::FrameOutcome Tester::onFrame(const StatusFrame& frame)
{
    FrameOutcome out;
    out.timeLabel = "CZAS: " + std::to_string(m_clock) + " [ms], ILOŚĆ BŁĘDÓW: " + std::to_string(m_errors);

    if (m_armed && frame.systemOn())
        m_running = true;
    if (!m_running)
        return out;

    if (m_clock == 0) {
        m_errors = 0;
        m_log.clear();
        m_testSerial = m_serialLabel;
        addLog(m_testSerial);
        m_armed = false;
        m_lampRed = false;
        out.logChanged = true;
    }

    for (const auto& check : m_checks) {
        if (check.atMs != m_clock)
            continue;
        const bool ok = check.passes && check.passes(frame);
        if (!ok)
            ++m_errors;
        addLog(std::to_string(check.atMs) + " ms: " + check.name + (ok ? ": OK" : ": BŁĄD"));
        out.logChanged = true;
    }

    if (m_clock == live::kTestVerdictMs) {
        addLog("--------Wyniki Testu----------");
        addLog("-----------------------------");
        const bool sound = m_errors == 0;
        if (sound) {
            addLog("STEROWNIK SPRAWNY :)");
        } else {
            addLog("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : " + std::to_string(m_errors));
            m_lampRed = true;
            m_tone.play(live::kFailToneHz, live::kFailToneMs);
        }
        // Either verdict ends the test, so the next serial number can start.
        m_running = false;
        m_clock = 0;
        out.verdict = sound;
        out.logChanged = true;
        std::string path;
        if (saveLog(path))
            out.savedFile = path;
        else
            out.saveFailed = true;
        return out;
    }

    m_clock += live::kTestStepMs;
    return out;
}

} // namespace kdx
