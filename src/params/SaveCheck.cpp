#include "params/SaveCheck.h"

#include "params/ParamConstants.h"

#include <set>

namespace kdx {

namespace {

// Language keys of the texts of a save the controller did not take.
constexpr int kKeyNotSaved = 102663;
constexpr int kKeyNotTaken = 102664;
constexpr int kKeyHoldsAndEditor = 102665;

} // namespace

std::string SaveCheckOutcome::names() const
{
    std::string text;
    for (const auto& c : differing)
        text += (text.empty() ? "" : ", ") + c.label;
    return text;
}

std::string SaveCheckOutcome::lampText(const ParameterLabels& labels) const
{
    return labels.text(kKeyNotSaved) + names();
}

std::string SaveCheckOutcome::text(const ParameterLabels& labels) const
{
    std::string list;
    for (size_t i = 0; i < differing.size(); ++i)
        list += (i == 0 ? "" : "; ")
                + labels.format(kKeyHoldsAndEditor, {differing[i].label, differing[i].left, differing[i].right});
    return labels.format(kKeyNotTaken, {list});
}

namespace {

using Result = SaveCheckOutcome::Result;

// Reads the pages holding `words` into `held`; false when one stays unanswered.
bool readPages(const std::set<unsigned>& words, ParameterImage& held, DeviceLink& link)
{
    std::set<uint16_t> pages;
    for (const unsigned w : words)
        pages.insert(static_cast<uint16_t>((2 * w / wire::kPageSize) * wire::kPageSize));
    for (const uint16_t address : pages) {
        bool read = false;
        for (int t = 0; t < params::kSavePageTries && !read && !link.lineHungUp(); ++t)
            read = link.readPage(address, held.data() + address);
        if (!read)
            return false;
    }
    return true;
}

} // namespace

SaveCheckOutcome SaveCheck::run(const ParameterImage& image, RegisterWriter& writer, DeviceLink& link, Clock& clock,
                                char separator, const ParameterLabels& labels)
{
    SaveCheckOutcome out;
    const std::set<unsigned> words = writer.unconfirmedWords();
    for (int round = 0;; ++round) {
        if (!writer.saveToEeprom())
            return out; // the line refused the frame
        if (words.empty()) {
            out.result = Result::Saved;
            return out;
        }
        clock.sleepMs(params::kSaveReadBackPauseMs);
        ParameterImage held = image;
        if (!readPages(words, held, link))
            return out;
        std::set<unsigned> differing;
        for (const unsigned w : words)
            if (held.word(w) != image.word(w))
                differing.insert(w);
        if (differing.empty()) {
            writer.confirmed(words);
            out.result = Result::Saved;
            return out;
        }
        if (round >= params::kSaveResendRounds) {
            // Only the words in question: the rest of a page read may hold
            // changes of the controller's own.
            ParameterImage controller = image;
            for (const unsigned w : differing)
                controller.setWord(w, held.word(w));
            out.differing = ParameterDiff::changes(controller, image, separator, labels);
            out.result = Result::NotSaved;
            return out;
        }
        for (const unsigned w : differing)
            if (!writer.writeWord(w))
                return out;
    }
}

} // namespace kdx
