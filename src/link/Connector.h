#pragma once

#include "link/ConnectionConstants.h"
#include "link/ConnectionHost.h"
#include "link/DeviceLink.h"
#include "protocol/Wire.h"
#include "link/PortMarking.h"
#include "link/PortTable.h"
#include "prompts/UserPrompts.h"

#include <array>
#include <cstdint>
#include <string>

namespace kdx {

using ParameterBytes = std::array<uint8_t, wire::kImageSize>;

// The controller's serial number: image bytes 4..7, little-endian.
uint32_t imageSerialNumber(const ParameterBytes& image);

// Finds the controller on one of the candidate ports, identifies it and reads
// its whole parameter memory into the image. Everything blocks the caller;
// what the technician sees goes through the host and the prompts.
class Connector {
public:
    Connector(DeviceLink& link, PortTable& table, PortMarking& marking, UserPrompts& prompts,
              ConnectionHost& host, ParameterBytes& image);

    // Searches the marked ports in ascending number for a controller that
    // answers identify, refuses a software newer than it understands, and
    // on success connects, reads the image, reports the identity, records
    // this PC and starts the status timer. Ends silently when nothing answers
    // (the status line then tells why a port could not be opened).
    void autoConnect();
    // Reads the image when connected, else "ECU not Found".
    void loadAllData();
    // Reads the four pages; the whole set again, up to ten more times, while
    // any page fails. A final failure takes the link down; a hang-up, or a
    // bus silent for a second, stops it at once as a lost line.
    void readAll();
    // The window's language for the messages that are not the controller
    // family's own fixed texts.
    void setWords(connect::Words words) { m_words = std::move(words); }

private:
    // One open-and-identify attempt on the selected port; true when the
    // search is over (controller found or refused).
    bool attempt(bool markedCandidate);
    // One pass over the four pages; the number of pages that failed.
    unsigned readPass();
    void noteOpenFailure();
    void noteAttempt(const std::string& openError);

    DeviceLink& m_link;
    PortTable& m_table;
    PortMarking& m_marking;
    UserPrompts& m_prompts;
    connect::Words m_words;
    ConnectionHost& m_host;
    ParameterBytes& m_image;
    std::string m_openFailures; // reasons of this search, "; " between them
    SearchOutcome m_outcome;    // of the search in progress
    int m_lostAtPage = 0;       // the page (1..4) at which the read found the line lost; 0: not
    bool m_lostSilent = false;  // lost to a silent bus rather than a hang-up
    int m_quietFromPage = 0;    // the first page unanswered since the last answer; 0: none
};

} // namespace kdx
