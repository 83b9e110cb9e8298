#include "device/transfer_receiver.h"

#include <array>
#include <vector>

#include "device/card_commands.h"
#include "model/encoding.h"
#include "model/record_parser.h"
#include "model/text_util.h"

namespace korvala {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// The begin marker in an arriving piece ends with a blank; the text removed from the begin line
// does not.
constexpr std::string_view kBeginMarker = "Begin : ";
constexpr std::string_view kBeginText = "Begin :";
constexpr std::string_view kEndMarker = "Lines :";
constexpr std::array<std::string_view, 7> kWeekdays = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
constexpr std::size_t kBeginLine = 2;
constexpr std::size_t kDateLength = 8;
constexpr std::size_t kShortestRecordLine = 5;

std::vector<std::string_view> splitCrLf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(kCrLf, pos);
        if (hit == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            return lines;
        }
        lines.push_back(text.substr(pos, hit - pos));
        pos = hit + kCrLf.size();
    }
}

}  // namespace

StartOutcome TransferReceiver::start(std::string_view today, std::string_view timeOfDay) {
    if (!link_.isOpen())
        return StartOutcome::PortClosed;
    const bool fresh = session_.saved();
    if (fresh) {
        session_.beginTransfer(today);
        receiving_ = true;
        progress_ = 0;
        // A transfer still arriving (cancelled, or this one started anew) keeps the drain it
        // has; the quiet it has already seen counts.
        if (!draining_)
            beginDrain();
        log("________ ALL CLEARD _____\r\n");
    }
    log("________ DEBUG  START _____");
    log(timeOfDay);
    log(kCrLf);
    return fresh ? StartOutcome::Started : StartOutcome::NotSaved;
}

void TransferReceiver::beginDrain() {
    draining_ = true;
    quietTicks_ = 0;
    discarded_ = 0;
}

TickOutcome TransferReceiver::drainTick() {
    const std::string piece = link_.readAll();
    lastPiece_.clear();
    inBufferCount_ = link_.bytesAvailable();
    if (!piece.empty()) {
        quietTicks_ = 0;
        discarded_ += piece.size();
        if (receiving_)
            session_.setPanel(1, "Das Gerät sendet noch eine frühere Übertragung. Bitte warten.");
    } else if (++quietTicks_ >= kQuietTicks) {
        draining_ = false;
        if (!receiving_)
            return TickOutcome::Idle;
        if (discarded_ > 0)
            log("Vor der Anforderung verworfen: " + std::to_string(discarded_) + " Bytes\r\n");
        link_.write(kReadCommand);
    }
    return receiving_ ? TickOutcome::Receiving : TickOutcome::Draining;
}

TickOutcome TransferReceiver::tick() {
    if (draining_)
        return drainTick();
    if (!receiving_)
        return TickOutcome::Idle;

    const std::size_t oldLength = session_.inText().size();
    lastPiece_ = link_.readAll();
    session_.appendReceived(lastPiece_);
    inBufferCount_ = link_.bytesAvailable();

    if (contains(lastPiece_, kBeginMarker)) {
        session_.setPanel(1, "Daten werden empfangen.");
        log("Beginn der Datei erkannt!\r\n");
    }
    log(std::to_string(oldLength));
    log(kCrLf);

    if (!contains(lastPiece_, kEndMarker)) {
        if (session_.inText().size() <= oldLength) {
            log(std::to_string(oldLength) + " " + std::to_string(session_.inText().size()) +
                "Kommunikations FEHLER \r\n");
            ++waitCount_;
            if (waitCount_ > kSilentTicks) {
                session_.setPanel(1, "Keine Kommunikation möglich!");
                waitCount_ = 0;
                receiving_ = false;
                return TickOutcome::GaveUp;
            }
        } else {
            // The bar only shows that something moves; it wraps instead of filling up.
            progress_ = progress_ < kProgressMax ? progress_ + 1 : 0;
        }
        return TickOutcome::Receiving;
    }

    log("Ende der Datei erkannt!\r\n");
    log("Input buffer länge (min. 126):");
    if (session_.inText().size() <= kMinimumLength) {
        session_.setPanel(1, "Es sind keine Daten vorhanden!");
        receiving_ = false;
        return TickOutcome::NoData;
    }
    log(std::to_string(session_.inText().size()));
    log(kCrLf);
    if (!parseTransfer()) {
        // Long enough but without a begin line: nothing in it can be a measurement.
        session_.setPanel(1, "Es sind keine Daten vorhanden!");
        receiving_ = false;
        return TickOutcome::NoData;
    }
    session_.setPanel(1, session_.formatError() ? "! Falsches Format!" : "Einlesen fertig.");
    progress_ = kProgressMax;
    receiving_ = false;
    return TickOutcome::Completed;
}

bool TransferReceiver::parseTransfer() {
    const std::string text = session_.takeReceived();
    const std::vector<std::string_view> lines = splitCrLf(text);
    if (lines.size() <= kBeginLine) {
        // Keep the text where the no-data case leaves it.
        session_.restoreReceived(text);
        return false;
    }

    std::string date = replaceAll(lines[kBeginLine], kBeginText, "");
    for (std::string_view day : kWeekdays)
        date = replaceAll(date, day, "");
    date = std::string(trimBlanks(date));
    log("Datum Beginn:" + cp1252ToUtf8(date) + "\r\n");
    date = cp1252ToUtf8(date.substr(0, kDateLength));
    log("Datum ermittelt:" + date + "\r\n");

    Table records;
    records.reserve(lines.size());
    bool formatError = false;
    std::string numbered;
    for (std::size_t lineIndex = kBeginLine; lineIndex < lines.size(); ++lineIndex) {
        const std::string_view line = trimBlanks(lines[lineIndex]);
        if (line.size() < kShortestRecordLine || line.front() != ',')
            continue;
        // The device sends records without their number; the line's place in the transfer
        // becomes the number.
        numbered = std::to_string(lineIndex);
        numbered += line;
        const auto index = static_cast<std::int32_t>(lineIndex);
        if (parser(records, numbered, index, session_) == ParseResult::FormatError)
            formatError = true;
    }
    session_.applyTransfer(std::move(date), std::move(records), formatError);
    return true;
}

void TransferReceiver::cancel() {
    // A drain before the request goes on: its quiet so far still counts.
    if (receiving_ && !draining_)
        beginDrain();
    receiving_ = false;
    session_.cancelTransfer();
}

}  // namespace korvala
