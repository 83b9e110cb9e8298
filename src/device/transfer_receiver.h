#pragma once
// Receiving a measurement from the device over the serial line. The window's 300 ms timer drives
// it tick by tick; everything it learns goes into the Session, so after a completed transfer the
// session holds the measurement as if a file had been opened (but unsaved and without a name).
//
// The receiver only polls the link: it never blocks and never waits, so a silent or vanished
// device ends the transfer by the silence rule instead of hanging the window.
//
// The device does not learn of a cancelled transfer and keeps sending it to the end. So that no
// transfer takes bytes of an earlier one, the request "r" goes out only once the line has been
// quiet for kQuietTicks polls: everything arriving before is discarded, and a cancel keeps
// discarding until the line is quiet.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/serial_link.h"
#include "session/session.h"

namespace korvala {

inline constexpr int kProgressMax = 100;

enum class StartOutcome {
    PortClosed,  // nothing happened, not even a debug entry
    NotSaved,    // the user kept unsaved data: only the debug entry was written
    Started,     // model erased; "r" follows once the line is quiet. The window shows the
                 // overlay and starts its timer
};

enum class TickOutcome {
    Idle,       // no transfer running and the line drained; the tick did nothing
    Draining,   // no transfer running, but a cancelled one is still arriving: keep ticking
    Receiving,  // a transfer runs (possibly still waiting for a quiet line): keep ticking
    Completed,  // the measurement is loaded and evaluated ("Einlesen fertig." / "! Falsches
                // Format!")
    NoData,     // the end came with too little text: "Es sind keine Daten vorhanden!"
    GaveUp,     // too many silent ticks: "Keine Kommunikation möglich!"
};

class TransferReceiver {
  public:
    // Transfers of 126 bytes or fewer hold no measurement line: the header alone is longer.
    static constexpr std::size_t kMinimumLength = 126;
    // Silent ticks tolerated before giving up (the 26th gives up).
    static constexpr std::int16_t kSilentTicks = 25;
    // Polls without a byte before the request is sent (1.2 s at the window's 300 ms): longer
    // than any pause inside a transfer.
    static constexpr int kQuietTicks = 4;

    TransferReceiver(Session& session, SerialLink& link) : session_(session), link_(link) {}

    // The menu command. The caller has already offered to save (the answer is in
    // session.saved). `today` is "dd.mm.yy", `timeOfDay` "hh:mm:ss" for the debug log.
    StartOutcome start(std::string_view today, std::string_view timeOfDay);
    // One poll of the link.
    TickOutcome tick();
    // "Abbrechen": the received text is dropped, nothing is parsed, and the rest the device
    // still sends is discarded by the following ticks.
    void cancel();

    // A transfer was started and has not ended (its request may not be sent yet).
    bool receiving() const { return receiving_; }
    // The line is being emptied: before a request, or after a cancel.
    bool draining() const { return draining_; }
    // Counts silent ticks across transfers: it only returns to 0 when it makes the receiver give
    // up, so a device that stutters in every transfer is eventually abandoned.
    std::int16_t waitCount() const { return waitCount_; }
    int progress() const { return progress_; }
    // The bytes read by the last tick (Windows-1252, as the device sent them).
    const std::string& lastPiece() const { return lastPiece_; }
    // What the port still held after the last read.
    int inBufferCount() const { return inBufferCount_; }
    // The debug log (UTF-8, CR LF line ends). It only grows; the window shows it.
    const std::string& debugLog() const { return debugLog_; }

  private:
    // Splits the received text, takes the start date and parses the measurement lines.
    // Returns false when the text has no begin line.
    bool parseTransfer();
    // One poll while draining: discards what arrived and sends the request once the line is
    // quiet.
    TickOutcome drainTick();
    void beginDrain();
    void log(std::string_view text) { debugLog_.append(text); }

    Session& session_;
    SerialLink& link_;
    bool receiving_ = false;
    bool draining_ = false;
    int quietTicks_ = 0;
    std::size_t discarded_ = 0;  // bytes discarded since the drain began
    std::int16_t waitCount_ = 0;
    int progress_ = 0;
    int inBufferCount_ = 0;
    std::string lastPiece_;
    std::string debugLog_;
};

}  // namespace korvala
