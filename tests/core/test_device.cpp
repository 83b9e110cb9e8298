// The device: a measurement received over the serial line, the card command and the clock file.

#include <deque>
#include <string>
#include <vector>

#include "device/card_commands.h"
#include "device/clock_file.h"
#include "device/transfer_receiver.h"
#include "session/session.h"
#include "test_support.h"

namespace korvala::test {
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

std::string transfer(std::size_t firstLineLength,
                     const std::vector<std::string>& body = {",08:15:03,47", ",08:15:09,52"},
                     const std::string& beginLine = "Begin : Mi 04.02.09 08:15") {
    std::string text = std::string(firstLineLength, 'x') + "\r\n\r\n" + beginLine + "\r\n";
    for (const auto& line : body)
        text += line + "\r\n";
    return text + "Lines : " + std::to_string(body.size());
}

// The records that carry data, in order; the empty filler records are left out.
Table filled(const Table& records) {
    Table out;
    for (const auto& m : records)
        if (!m.isEmpty())
            out.push_back(m);
    return out;
}

// Polls until the line counts as quiet and the request has gone out (or the drain ended).
void drain(TransferReceiver& receiver) {
    for (int i = 0; i < 100 && receiver.draining(); ++i)
        receiver.tick();
}

class Receiver : public ::testing::Test {
  protected:
    // The menu command, then the polls of the quiet line up to the request.
    StartOutcome start() {
        const StartOutcome outcome = receiver.start("06.12.26", "10:00:00");
        drain(receiver);
        return outcome;
    }
    void loadOneRecord() {
        LoadResult load;
        load.outcome = LoadOutcome::Loaded;
        load.records = {rec(1, 8, 0, 0, 50)};
        load.formatError = true;
        session.applyLoad(std::move(load), "alt.spt");  // menus on, inText " \r\n"
        session.setLocation("Hauptstraße");
        session.setRemark("");
    }
    ScriptedLink link;
    Session session{"01.01.26"};
    TransferReceiver receiver{session, link};
};

TEST_F(Receiver, StartClearsTheModelFlushesThePortAndAsksForData) {
    loadOneRecord();
    session.siteKeyPressed();
    EXPECT_EQ(start(), StartOutcome::NotSaved);  // the user kept unsaved data: only a log entry
    link.openFlag = false;
    session.discardChanges();
    EXPECT_EQ(start(), StartOutcome::PortClosed);  // nothing at all
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);
    EXPECT_EQ(session.records().size(), 1u);
    EXPECT_EQ(link.sent, "");

    link.openFlag = true;
    link.pieces = {"stale bytes from before"};
    EXPECT_EQ(start(), StartOutcome::Started);
    EXPECT_TRUE(receiver.receiving());
    EXPECT_EQ(link.sent, "r");
    EXPECT_TRUE(link.pieces.empty()) << "waiting bytes must be discarded before asking";
    // The session's own tests pin what a transfer's start erases.
    EXPECT_TRUE(session.records().empty() && session.inText().empty());
    EXPECT_EQ(session.site(), (Site{"", "06.12.26", ""}));
    EXPECT_FALSE(session.formatError());
    EXPECT_EQ(receiver.debugLog(),
              "________ DEBUG  START _____10:00:00\r\n________ ALL CLEARD _____\r\n"
              "________ DEBUG  START _____10:00:00\r\nVor der Anforderung verworfen: 23 Bytes\r\n");
}

TEST_F(Receiver, ATransferInPiecesLoadsAnUnsavedMeasurementWithoutAName) {
    const std::string text = transfer(100);
    start();
    link.pieces = {"", text.substr(0, 60), text.substr(60, 60), text.substr(120)};
    link.waiting = 7;
    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);  // silent
    EXPECT_EQ(receiver.progress(), 0);
    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    EXPECT_EQ(receiver.lastPiece(), text.substr(0, 60));
    EXPECT_EQ(receiver.inBufferCount(), 7);
    EXPECT_EQ(receiver.progress(), 1);
    EXPECT_EQ(session.statusLine(), std::string(kWaitingText));
    EXPECT_EQ(receiver.tick(), TickOutcome::Receiving);
    EXPECT_EQ(session.statusLine(), "Daten werden empfangen.");  // the begin marker arrived
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);

    EXPECT_FALSE(receiver.receiving());
    EXPECT_EQ(receiver.progress(), kProgressMax);
    EXPECT_EQ(session.site().startDate, "04.02.09");
    EXPECT_EQ(filled(session.records()), (Table{rec(3, 8, 15, 3, 47), rec(4, 8, 15, 9, 52)}));
    EXPECT_TRUE(session.records().front().isEmpty());
    EXPECT_EQ(session.statusLine(), "Einlesen fertig.");
    EXPECT_EQ(session.lbl_ds(), "2");
    EXPECT_EQ(session.defFileName(), "040209");
    EXPECT_EQ(session.fileName(), "");
    EXPECT_FALSE(session.saved() || session.saveEnabled());
    EXPECT_TRUE(session.saveAsEnabled() && session.exportEnabled());
    EXPECT_TRUE(session.inText().empty());
    EXPECT_EQ(receiver.debugLog(),
              "________ ALL CLEARD _____\r\n________ DEBUG  START _____10:00:00\r\n"
              "0\r\n0 0Kommunikations FEHLER \r\n"
              "0\r\n"
              "Beginn der Datei erkannt!\r\n60\r\n"
              "120\r\n"
              "Ende der Datei erkannt!\r\nInput buffer länge (min. 126):168\r\n"
              "Datum Beginn:04.02.09 08:15\r\nDatum ermittelt:04.02.09\r\n");
}

TEST_F(Receiver, BeginLineGivesTheStartDate) {
    for (const auto& [beginLine, date] : std::vector<std::pair<std::string, std::string>>{
             {"Begin : Do 05.02.09", "05.02.09"},
             {"Begin : MI 04.02.09", "MI 04.02"},  // removal is case-exact
             {"Begin :Sa 07.02.09 23:59", "07.02.09"},
             {"Begin : So07.02.09", "07.02.09"}}) {
        session.discardChanges();
        start();
        link.pieces = {transfer(100, {",08:15:03,47", ",08:15:09,52"}, beginLine)};
        EXPECT_EQ(receiver.tick(), TickOutcome::Completed) << beginLine;
        EXPECT_EQ(session.site().startDate, date) << beginLine;
    }
}

TEST_F(Receiver, OnlyTrimmedLinesStartingWithACommaAreRecords) {
    start();
    // Ignored lines sit before the first record: an empty record between two measurements
    // would read as a midnight and start a new day.
    link.pieces = {transfer(100, {",1,2", "08:15:05,50", "", "   ,08:15:03,47  ", ",08:15:09,52",
                                  ",08:15:11,53,x,y", ",9:00"})};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    // Five characters are a record: one without a speed is a format error.
    EXPECT_EQ(filled(session.records()),
              (Table{rec(6, 8, 15, 3, 47), rec(7, 8, 15, 9, 52), rec(8, 8, 15, 11, 53),
                     Measurement{9, Timestamp::fromDayAndTime(0, 9, 0, 0), Speed()}}));
    EXPECT_EQ(session.statusLine(), "! Falsches Format!");

    // A single record has no speeds: the transfer completes with a format error.
    session.discardChanges();
    start();
    link.pieces = {transfer(120, {",08:15:03,47"})};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_TRUE(session.formatError());
}

TEST_F(Receiver, TooLittleTextOrNoBeginLineHasNoData) {
    // transfer(58) is exactly the minimum length, which still counts as too little.
    ASSERT_EQ(transfer(58).size(), TransferReceiver::kMinimumLength);
    for (const std::string& text : {transfer(58), std::string(200, 'x') + "\r\nLines : 0"}) {
        session.setPanel(1, "");
        start();
        link.pieces = {text};
        EXPECT_EQ(receiver.tick(), TickOutcome::NoData);
        EXPECT_FALSE(receiver.receiving());
        EXPECT_EQ(session.statusLine(), "Es sind keine Daten vorhanden!");
        EXPECT_TRUE(session.records().empty());
        EXPECT_TRUE(session.saved());
        EXPECT_FALSE(session.saveAsEnabled());
        EXPECT_EQ(session.site().startDate, "06.12.26");
    }
}

TEST_F(Receiver, SilenceEndsTheTransferAndCountsAcrossTransfers) {
    // The end marker split across two polls is never seen whole.
    const std::string text = transfer(100);
    const std::size_t cut = text.find("Lines :") + 3;
    start();
    link.pieces = {text.substr(0, cut), text.substr(cut)};
    for (int i = 0; i < TransferReceiver::kSilentTicks + 2; ++i)
        ASSERT_EQ(receiver.tick(), TickOutcome::Receiving) << i;
    EXPECT_EQ(receiver.tick(), TickOutcome::GaveUp);
    EXPECT_EQ(session.statusLine(), "Keine Kommunikation möglich!");
    EXPECT_EQ(receiver.waitCount(), 0);
    EXPECT_EQ(session.inText(), text) << "the text stays unparsed";
    EXPECT_EQ(receiver.tick(), TickOutcome::Idle);

    // Arriving text does not forgive earlier silence.
    start();
    for (int i = 0; i < TransferReceiver::kSilentTicks; ++i)
        receiver.tick();
    link.pieces = {text};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(receiver.waitCount(), TransferReceiver::kSilentTicks);
    session.discardChanges();  // the user gave up the received data
    EXPECT_EQ(start(), StartOutcome::Started);
    EXPECT_EQ(receiver.progress(), 0);
    EXPECT_EQ(receiver.tick(), TickOutcome::GaveUp);
}

TEST_F(Receiver, ProgressWrapsAndCancelDropsTheText) {
    start();
    for (int i = 0; i <= kProgressMax; ++i)
        link.pieces.push_back("x");
    for (int i = 0; i < kProgressMax; ++i)
        receiver.tick();
    EXPECT_EQ(receiver.progress(), kProgressMax);
    receiver.tick();
    EXPECT_EQ(receiver.progress(), 0);
    receiver.cancel();
    EXPECT_FALSE(receiver.receiving());
    EXPECT_TRUE(session.inText().empty() && session.records().empty());
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
    link.pieces = {transfer(100)};
    EXPECT_EQ(receiver.tick(), TickOutcome::Completed);
    EXPECT_EQ(filled(session.records()), (Table{rec(3, 8, 15, 3, 47), rec(4, 8, 15, 9, 52)}));
    EXPECT_EQ(session.statusLine(), "Einlesen fertig.");
}

TEST(CardCommand, ClearsOnlyOverAnOpenLink) {
    ScriptedLink link;
    link.openFlag = false;
    EXPECT_FALSE(clearCard(link));
    EXPECT_EQ(link.sent, "");
    link.openFlag = true;
    EXPECT_TRUE(clearCard(link));
    EXPECT_EQ(link.sent, "p");
}

// ---- the clock file -----------------------------------------------------------------------

using ClockFile = TempDirTest;

TEST_F(ClockFile, OneLineInTheRootOfTheCardOrAGermanReason) {
    EXPECT_EQ(clockFileContent(5, 3, 2027, 9, 4, 7), "/05/03/2027/09:04:07");
    EXPECT_EQ(clockFileContent(31, 12, 2026, 23, 59, 59), "/31/12/2026/23:59:59");
    EXPECT_EQ(clockFilePath("/media/karte/"), "/media/karte/timeset.txt");
    EXPECT_EQ(clockFilePath("/"), "/timeset.txt");

    const std::string drive = dir.string();
    ASSERT_TRUE(writeClockFile("/03/12/2026/16:17:46", drive).ok);
    const ClockFileResult again = writeClockFile("/03/12/2026/16:18:01", drive);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.path, drive + "/timeset.txt");
    EXPECT_EQ(again.message, drive + "/timeset.txt wurde geändert: /03/12/2026/16:18:01");
    EXPECT_EQ(readBytes(dir / "timeset.txt"), "/03/12/2026/16:18:01\r\n");
    EXPECT_EQ(entries(), 1u);  // nothing else is left beside it on the card

    EXPECT_EQ(writeClockFile("x", "").message, "Es ist kein SD-Laufwerk ausgewählt.");
    EXPECT_EQ(writeClockFile("x", path("fehlt")).message,
              "Das SD-Laufwerk " + path("fehlt") +
                  " ist nicht bereit. Bitte prüfen Sie, ob die Karte eingelegt ist.");
    // A folder in the way of the file makes the replacement fail, as a read-only card does.
    fs::create_directories(dir / "blocked" / "timeset.txt");
    const ClockFileResult blocked = writeClockFile("x", path("blocked"));
    EXPECT_FALSE(blocked.ok);
    EXPECT_EQ(blocked.message, path("blocked") +
                                   "/timeset.txt konnte nicht geschrieben werden. Bitte prüfen "
                                   "Sie, ob die Karte schreibgeschützt oder voll ist.");
    EXPECT_FALSE(fs::exists(path("fehlt")));
}

}  // namespace
}  // namespace korvala::test
