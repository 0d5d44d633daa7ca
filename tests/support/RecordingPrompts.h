#pragma once

#include "link/UserPrompts.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kdx::test {

// Records every box instead of showing it; the file dialog answers from a
// queue (an empty optional is a cancel).
class RecordingPrompts : public UserPrompts {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    bool okCancel(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + ": " + text);
        return okCancelAnswer;
    }
    std::optional<std::string> openFirmwareFile(const std::string& folder) override
    {
        dialogFolders.push_back(folder);
        if (fileAnswers.empty())
            return std::nullopt;
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> dialogFolders;
    std::deque<std::optional<std::string>> fileAnswers;
    bool okCancelAnswer = true;
};

} // namespace kdx::test
