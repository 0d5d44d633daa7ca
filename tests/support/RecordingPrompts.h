#pragma once

#include "prompts/UserPrompts.h"
#include "params/ParameterFilePrompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kdx::test {

// Records every box instead of showing it; the file dialogs answer from
// queues (an empty optional is a cancel).
class RecordingPrompts : public UserPrompts, public ParameterFilePrompts {
public:
    void message(const std::string& text) override
    {
        messages.push_back(text);
        showing();
    }
    bool okCancel(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + ": " + text);
        showing();
        return okCancelAnswer;
    }
    ParameterFilePrompts* fileDialogs() override { return this; }
    bool okCancelDefaultCancel(const std::string& text, const std::string& caption) override
    {
        cancelDefaultCaptions.push_back(caption);
        return okCancel(text, caption);
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

    std::optional<std::string> saveParameterFile(const std::string& folder, const std::string& proposedName) override
    {
        dialogFolders.push_back(folder);
        proposedNames.push_back(proposedName);
        return next(saveAnswers);
    }
    std::optional<std::string> openParameterFile(const std::string& folder, const std::string& caption) override
    {
        dialogFolders.push_back(folder);
        openCaptions.push_back(caption);
        return next(openAnswers);
    }
    bool showDifference(const DifferenceView& view) override
    {
        differences.push_back(view);
        return view.askToWrite && differenceAnswer;
    }

    std::vector<std::string> messages;
    // Runs while a message or question box is up, as the event loop does
    // under a real box inside the procedure that opened it.
    std::function<void()> whileShown;
    std::vector<std::string> dialogFolders;
    std::deque<std::optional<std::string>> fileAnswers;
    bool okCancelAnswer = true;
    std::vector<std::string> cancelDefaultCaptions; // the boxes whose default button is Cancel
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<std::string> proposedNames;
    std::vector<std::string> openCaptions;
    std::vector<DifferenceView> differences;
    bool differenceAnswer = true;

private:
    // A copy runs, so that it may replace itself.
    void showing()
    {
        if (auto run = whileShown)
            run();
    }
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers)
    {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace kdx::test
