// A transfer ends in one tick that parses and evaluates everything received, on the window's
// thread. These benchmarks show how long that tick blocks the window for measurements of
// growing size, and what receiving costs per tick at the line's own pace.

#include <benchmark/benchmark.h>

#include <deque>
#include <string>

#include "device/transfer_receiver.h"
#include "session/session.h"

namespace {

class PiecesLink final : public korvala::SerialLink {
  public:
    bool open(int) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    int bytesAvailable() const override { return 0; }
    std::string readAll() override {
        if (pieces.empty())
            return {};
        std::string piece = std::move(pieces.front());
        pieces.pop_front();
        return piece;
    }
    void write(const std::string&) override {}
    std::deque<std::string> pieces;
};

// A transfer started and past the quiet line before the request, waiting for the device's text.
struct WaitingTransfer {
    WaitingTransfer() {
        receiver.start("06.12.26", "10:00:00");
        while (receiver.draining())
            receiver.tick();
    }
    korvala::Session session{"06.12.26"};
    PiecesLink link;
    korvala::TransferReceiver receiver{session, link};
};

std::string twoDigits(int v) {
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// A week of traffic: records spread evenly, speeds cycling through 20..109 km/h.
std::string transferText(std::int64_t records) {
    std::string t = std::string(100, '=') + "\r\n\r\nBegin : Mi 04.02.09 08:15\r\n";
    t.reserve(static_cast<std::size_t>(records) * 16 + 200);
    const std::int64_t step = std::max<std::int64_t>(1, 7 * 86400 / (records + 1));
    std::int64_t second = 8 * 3600;
    for (std::int64_t i = 0; i < records; ++i) {
        second += step;
        const int s = static_cast<int>(second % 86400);
        t += "," + twoDigits(s / 3600) + ":" + twoDigits(s / 60 % 60) + ":" + twoDigits(s % 60) +
             "," + std::to_string(20 + i % 90) + "\r\n";
    }
    return t + "Lines : " + std::to_string(records) + "\r\n";
}

// The closing tick alone: everything arrives at once, so the tick is the parse and evaluation.
void BM_ClosingTick(benchmark::State& state) {
    const std::string text = transferText(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        WaitingTransfer transfer;
        transfer.link.pieces.push_back(text);
        state.ResumeTiming();
        if (transfer.receiver.tick() != korvala::TickOutcome::Completed) {
            state.SkipWithError("transfer did not complete");
            break;
        }
        benchmark::DoNotOptimize(transfer.session.records().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ClosingTick)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A whole transfer in the pieces one 300 ms tick gets at 19200 baud (576 bytes).
void BM_TransferInPieces(benchmark::State& state) {
    const std::string text = transferText(state.range(0));
    constexpr std::size_t kPiece = 576;
    std::int64_t ticks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WaitingTransfer transfer;
        const std::size_t closing = text.rfind("Lines :");
        for (std::size_t pos = 0; pos < closing; pos += kPiece)
            transfer.link.pieces.push_back(text.substr(pos, std::min(kPiece, closing - pos)));
        transfer.link.pieces.push_back(text.substr(closing));
        state.ResumeTiming();
        while (transfer.receiver.tick() == korvala::TickOutcome::Receiving)
            ++ticks;
    }
    state.counters["ticks"] =
        benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TransferInPieces)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
