#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "device/card_commands.h"
#include "device/transfer_receiver.h"
#include "session/session.h"

using namespace korvala;

namespace {

// A serial port whose incoming text is scripted tick by tick: each readAll() hands out the next
// queued piece (an empty piece is a silent tick).
class ScriptedLink final : public SerialLink {
  public:
    bool open(int) override { return openFlag = true; }
    void close() override { openFlag = false; }
    bool isOpen() const override { return openFlag; }
    int bytesAvailable() const override { return waiting; }
    std::string readAll() override {
        if (pieces.empty())
            return {};
        std::string piece = pieces.front();
        pieces.pop_front();
        return piece;
    }
    void write(const std::string& text) override { sent += text; }

    bool openFlag = true;
    int waiting = 0;
    std::deque<std::string> pieces;
    std::string sent;
};

const std::string kBeginLine = "Begin : Mi 04.02.09 08:15";

std::string transfer(std::size_t firstLineLength, const std::vector<std::string>& body,
                     const std::string& beginLine = kBeginLine) {
    std::string text = std::string(firstLineLength, 'x') + "\r\n\r\n" + beginLine + "\r\n";
    for (const auto& line : body)
        text += line + "\r\n";
    return text + "Lines : " + std::to_string(body.size());
}

std::string exampleTransfer(std::size_t firstLineLength) {
    return transfer(firstLineLength, {",08:15:03,47", ",08:15:09,52"});
}

// The records that carry data, in order; the empty filler records are left out.
std::vector<Measurement> filled(const Table& records) {
    std::vector<Measurement> out;
    for (const auto& m : records)
        if (!m.isEmpty())
            out.push_back(m);
    return out;
}

Measurement record(std::int32_t id, int h, int m, int s, double speed) {
    return Measurement{id, Timestamp::fromDayAndTime(0, h, m, s), Speed::fromNumber(speed)};
}

// Polls until the line counts as quiet and the request has gone out (or the drain ended).
void drain(TransferReceiver& receiver) {
    for (int i = 0; i < 100 && receiver.draining(); ++i)
        receiver.tick();
}

class Receiver : public ::testing::Test {
  protected:
    Receiver() : session("01.01.26"), receiver(session, link) {}

    // The menu command, then the polls of the quiet line up to the request.
    StartOutcome start() {
        const StartOutcome outcome = receiver.start("06.12.26", "10:00:00");
        drain(receiver);
        return outcome;
    }
    // Ticks until the transfer leaves the receiving state (at most `limit` ticks).
    TickOutcome runToEnd(int limit = 100) {
        TickOutcome outcome = TickOutcome::Receiving;
        for (int i = 0; i < limit && outcome == TickOutcome::Receiving; ++i)
            outcome = receiver.tick();
        return outcome;
    }

    ScriptedLink link;
    Session session;
    TransferReceiver receiver;
};

}  // namespace

// ---- start ----

TEST_F(Receiver, StartClearsTheModelFlushesThePortAndAsksForData) {
    LoadResult load;
    load.outcome = LoadOutcome::Loaded;
    load.records = {record(1, 8, 0, 0, 50)};
    load.formatError = true;
    session.applyLoad(std::move(load), "alt.spt");  // menus on, inText " \r\n"
    session.setLocation("Hauptstraße");
    link.pieces = {"stale bytes from before"};

    EXPECT_EQ(start(), StartOutcome::Started);

    EXPECT_TRUE(receiver.receiving());
    EXPECT_EQ(link.sent, "r");
    EXPECT_TRUE(link.pieces.empty()) << "waiting bytes must be discarded before asking";
    EXPECT_TRUE(session.records().empty());
    // Nothing evaluated from the erased measurement is left to show.
    EXPECT_TRUE(session.days()[0].empty() && session.dayData().empty());
    EXPECT_EQ(session.lbl_vmax(), "--");
    EXPECT_EQ(session.reportText(), "");
    EXPECT_TRUE(session.inText().empty());
    EXPECT_EQ(session.site().location, "");
    EXPECT_EQ(session.site().startDate, "06.12.26");
    EXPECT_FALSE(session.formatError());
    EXPECT_FALSE(session.saveEnabled() || session.saveAsEnabled() || session.exportEnabled());
    EXPECT_EQ(receiver.progress(), 0);
    EXPECT_EQ(receiver.debugLog(),
              "________ ALL CLEARD _____\r\n________ DEBUG  START _____10:00:00\r\n"
              "Vor der Anforderung verworfen: 23 Bytes\r\n");
}

TEST_F(Receiver, StartWithUnsavedDataOnlyLogs) {
    LoadResult load;
    load.outcome = LoadOutcome::Loaded;
    load.records = {record(1, 8, 0, 0, 50)};
    session.applyLoad(std::move(load), "alt.spt");
    session.siteKeyPressed();
    session.setLocation("Ort");

    EXPECT_EQ(start(), StartOutcome::NotSaved);

    EXPECT_FALSE(receiver.receiving());
    EXPECT_EQ(link.sent, "");
    EXPECT_EQ(session.records().size(), 1u);
    EXPECT_EQ(session.site().location, "Ort");
    EXPECT_EQ(receiver.debugLog(), "________ DEBUG  START _____10:00:00\r\n");
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);
}

TEST_F(Receiver, StartWithClosedPortDoesNothing) {
    link.openFlag = false;
    LoadResult load;
    load.outcome = LoadOutcome::Loaded;
    load.records = {record(1, 8, 0, 0, 50)};
    session.applyLoad(std::move(load), "alt.spt");

    EXPECT_EQ(start(), StartOutcome::PortClosed);

    EXPECT_EQ(link.sent, "");
    EXPECT_EQ(session.records().size(), 1u);
    EXPECT_EQ(receiver.debugLog(), "");
}

// ---- complete transfers ----

TEST_F(Receiver, ExampleTransferLoadsTheMeasurement) {
    start();
    link.pieces = {exampleTransfer(100)};

    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);

    EXPECT_FALSE(receiver.receiving());
    EXPECT_EQ(session.site().startDate, "04.02.09");
    EXPECT_EQ(filled(session.records()),
              (std::vector<Measurement>{record(3, 8, 15, 3, 47), record(4, 8, 15, 9, 52)}));
    EXPECT_TRUE(session.records().front().isEmpty());
    EXPECT_EQ(session.statusLine(), "Einlesen fertig.");
    EXPECT_EQ(session.lbl_ds(), "2");
    EXPECT_EQ(session.defFileName(), "040209");
    EXPECT_FALSE(session.saved());
    EXPECT_EQ(session.fileName(), "");
    EXPECT_TRUE(session.saveAsEnabled());
    EXPECT_TRUE(session.exportEnabled());
    EXPECT_FALSE(session.saveEnabled());
    EXPECT_TRUE(session.inText().empty());
    EXPECT_EQ(receiver.progress(), kProgressMax);
}

TEST_F(Receiver, DebugLogOfATransferWithOneSilentTick) {
    start();
    link.pieces = {"", exampleTransfer(100)};
    runToEnd();

    EXPECT_EQ(receiver.debugLog(),
              "________ ALL CLEARD _____\r\n"
              "________ DEBUG  START _____10:00:00\r\n"
              "0\r\n"
              "0 0Kommunikations FEHLER \r\n"
              "Beginn der Datei erkannt!\r\n"
              "0\r\n"
              "Ende der Datei erkannt!\r\n"
              "Input buffer länge (min. 126):168\r\n"
              "Datum Beginn:04.02.09 08:15\r\n"
              "Datum ermittelt:04.02.09\r\n");
}

TEST_F(Receiver, TransferInPiecesShowsEachPieceAndProgress) {
    const std::string text = exampleTransfer(100);
    start();
    link.pieces = {text.substr(0, 60), text.substr(60, 60), text.substr(120)};
    link.waiting = 7;

    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    EXPECT_EQ(receiver.lastPiece(), text.substr(0, 60));
    EXPECT_EQ(receiver.inBufferCount(), 7);
    EXPECT_EQ(receiver.progress(), 1);
    EXPECT_EQ(session.statusLine(), std::string(kWaitingText));

    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    EXPECT_EQ(session.statusLine(), "Daten werden empfangen.");  // the begin marker arrived
    EXPECT_EQ(receiver.progress(), 2);

    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(filled(session.records()).size(), 2u);
}

TEST_F(Receiver, ProgressWrapsInsteadOfStopping) {
    start();
    for (int i = 0; i < kProgressMax + 1; ++i)
        link.pieces.push_back("x");
    for (int i = 0; i < kProgressMax; ++i)
        receiver.tick();
    EXPECT_EQ(receiver.progress(), kProgressMax);
    receiver.tick();
    EXPECT_EQ(receiver.progress(), 0);
}

TEST_F(Receiver, BeginLineDate) {
    struct Case {
        std::string beginLine, date;
    };
    for (const Case& c :
         {Case{"Begin : Do 05.02.09", "05.02.09"},
          Case{"Begin : MI 04.02.09", "MI 04.02"},  // removal is case-exact
          Case{"Begin :Sa 07.02.09 23:59", "07.02.09"}, Case{"Begin : So07.02.09", "07.02.09"}}) {
        Session s("01.01.26");
        ScriptedLink l;
        TransferReceiver r(s, l);
        r.start("06.12.26", "10:00:00");
        drain(r);
        l.pieces = {transfer(100, {",08:15:03,47", ",08:15:09,52"}, c.beginLine)};
        EXPECT_EQ(r.tick(), TickOutcome::Completed) << c.beginLine;
        EXPECT_EQ(s.site().startDate, c.date) << c.beginLine;
    }
}

TEST_F(Receiver, OnlyTrimmedLinesStartingWithACommaAreRecords) {
    start();
    // Ignored lines sit before the first record: an empty record between two measurements
    // would read as a midnight and start a new day.
    link.pieces = {transfer(100, {
                                     ",1,2",               // line 3: too short
                                     "08:15:05,50",        // line 4: no comma first
                                     "",                   // line 5
                                     "   ,08:15:03,47  ",  // line 6: blanks around it
                                     ",08:15:09,52",       // line 7
                                     ",08:15:11,53,x,y",   // line 8: extra fields
                                 })};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(filled(session.records()),
              (std::vector<Measurement>{record(6, 8, 15, 3, 47), record(7, 8, 15, 9, 52),
                                        record(8, 8, 15, 11, 53)}));
    EXPECT_EQ(session.statusLine(), "Einlesen fertig.");
}

TEST_F(Receiver, SingleRecordCompletesWithFormatError) {
    start();
    link.pieces = {transfer(120, {",08:15:03,47"})};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_TRUE(session.formatError());
    EXPECT_EQ(session.statusLine(), "! Falsches Format!");
    EXPECT_FALSE(session.saved());
}

// ---- transfers without a measurement ----

TEST_F(Receiver, ShortTransferHasNoData) {
    start();
    link.pieces = {exampleTransfer(20)};
    EXPECT_EQ(receiver.tick(), TickOutcome::NoData);
    EXPECT_FALSE(receiver.receiving());
    EXPECT_EQ(session.statusLine(), "Es sind keine Daten vorhanden!");
    EXPECT_TRUE(session.records().empty());
    EXPECT_TRUE(session.saved());
    EXPECT_FALSE(session.saveAsEnabled());
    EXPECT_EQ(session.site().startDate, "06.12.26");
}

TEST_F(Receiver, LongTextWithoutBeginLineHasNoData) {
    start();
    link.pieces = {std::string(200, 'x') + "\r\nLines : 0"};
    EXPECT_EQ(receiver.tick(), TickOutcome::NoData);
    EXPECT_EQ(session.statusLine(), "Es sind keine Daten vorhanden!");
    EXPECT_TRUE(session.records().empty());
    EXPECT_TRUE(session.saved());
}

// ---- silence ----

TEST_F(Receiver, EndMarkerSplitAcrossPollsIsAbandonedBySilence) {
    const std::string text = exampleTransfer(100);
    const std::size_t cut = text.find("Lines :") + 3;
    start();
    link.pieces = {text.substr(0, cut), text.substr(cut)};
    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    for (int i = 0; i < TransferReceiver::kSilentTicks; ++i)
        ASSERT_EQ(receiver.tick(), TickOutcome::Receiving) << "silent tick " << i + 1;
    EXPECT_EQ(receiver.tick(), TickOutcome::GaveUp);

    EXPECT_EQ(session.statusLine(), "Keine Kommunikation möglich!");
    EXPECT_EQ(receiver.waitCount(), 0);
    EXPECT_TRUE(session.records().empty());
    EXPECT_EQ(session.inText(), text) << "the text stays unparsed";
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);
}

TEST_F(Receiver, SilentTicksAreCountedAcrossTransfers) {
    start();
    for (int i = 0; i < TransferReceiver::kSilentTicks; ++i)
        receiver.tick();
    // Arriving text does not forgive earlier silence.
    link.pieces = {exampleTransfer(100)};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(receiver.waitCount(), TransferReceiver::kSilentTicks);

    session.discardChanges();  // the user gave up the received data
    EXPECT_EQ(start(), StartOutcome::Started);
    EXPECT_EQ(receiver.tick(), TickOutcome::GaveUp);
    EXPECT_EQ(receiver.waitCount(), 0);
}

TEST_F(Receiver, CancelDropsTheTextAndStops) {
    start();
    link.pieces = {exampleTransfer(100).substr(0, 80)};
    receiver.tick();
    receiver.cancel();
    EXPECT_FALSE(receiver.receiving());
    EXPECT_TRUE(session.inText().empty());
    EXPECT_TRUE(session.records().empty());
    drain(receiver);
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);
    receiver.cancel();  // with nothing running, there is nothing to drain either
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);
}

// The device does not know of a cancel and sends the transfer to its end; neither the tail nor
// the next transfer's request may mix with it.
TEST_F(Receiver, TheNextTransferWaitsUntilTheCancelledOneHasPassed) {
    start();
    const std::string first = transfer(100, {",07:00:00,30", ",07:00:05,31"});
    const std::string second = exampleTransfer(100);
    link.pieces = {first.substr(0, 90)};
    receiver.tick();
    receiver.cancel();
    // Still arriving: the rest, with a pause inside, while the user starts again.
    link.pieces = {first.substr(90, 40), "", ""};
    EXPECT_EQ(receiver.tick(), TickOutcome::Draining);
    EXPECT_EQ(receiver.tick(), TickOutcome::Draining);
    EXPECT_EQ(receiver.start("06.12.26", "10:00:01"), StartOutcome::Started);
    link.pieces = {"", first.substr(130)};
    for (int tick = 0; tick < 2 + TransferReceiver::kQuietTicks; ++tick) {
        EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
        EXPECT_EQ(link.sent, tick + 1 < 2 + TransferReceiver::kQuietTicks ? "r" : "rr") << tick;
    }
    EXPECT_EQ(session.statusLine(),
              "Das Gerät sendet noch eine frühere Übertragung. Bitte warten.");
    EXPECT_TRUE(session.inText().empty());
    link.pieces = {second};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(filled(session.records()),
              (std::vector<Measurement>{record(3, 8, 15, 3, 47), record(4, 8, 15, 9, 52)}));
    EXPECT_EQ(session.statusLine(), "Einlesen fertig.");
}

// ---- card command ----

TEST(CardCommand, ClearsOnlyOverAnOpenLink) {
    ScriptedLink link;
    link.openFlag = false;
    EXPECT_FALSE(clearCard(link));
    EXPECT_EQ(link.sent, "");
    link.openFlag = true;
    EXPECT_TRUE(clearCard(link));
    EXPECT_EQ(link.sent, "p");
}
