// korvala-device-sim: a stand-in for the measuring device on a pseudo-terminal, so the serial
// side of the program can be tried and tested without the device.
//
// It opens a pseudo-terminal pair, prints the path of the terminal the program opens as its
// serial port (first line of standard output), and then answers like the device does:
//   "r"  sends a generated measurement as transfer text, in pieces with pauses between them,
//        the way text trickles in at 19200 baud;
//   "p"  (clear the card) is only recorded.
// Every command byte received is appended to the --log file, one per line. With --expect the
// records of the generated measurement are written there first ("begin DATE", then one
// "number,hh:mm:ss,speed" line per record), so a test can compare what the program loaded.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

struct Options {
    int records = 300;
    unsigned seed = 7;
    std::size_t pieceSize = 256;
    int pauseMs = 120;
    int lifetimeSeconds = 600;
    std::string begin = "Begin : Mi 04.02.09 08:15";
    std::string expectPath;
    std::string logPath;
    std::string linkPath;
    bool silent = false;  // never answers "r"
    bool help = false;
};

struct Generated {
    std::string text;
    std::vector<std::string> recordLines;  // "number,hh:mm:ss,speed"
};

std::string twoDigits(int v) {
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

std::string clockText(int secondOfDay) {
    return twoDigits(secondOfDay / 3600) + ":" + twoDigits(secondOfDay / 60 % 60) + ":" +
           twoDigits(secondOfDay % 60);
}

// A measurement starting at 08:15 with gaps of 1 to 240 s, so it crosses midnight when long
// enough. The engine's raw output is used instead of a distribution so the data are the same
// with every standard library.
Generated generate(const Options& o) {
    std::mt19937 engine(o.seed);
    Generated g;
    std::string& t = g.text;
    t += "KORVALA SIM  Geschwindigkeitsmessgeraet 7 Tage SD ZX  Seriennr. 000815  Firmware 1.0\r\n";
    t += "Speicherkarte gelesen\r\n";
    t += o.begin + "\r\n";
    int second = 8 * 3600 + 15 * 60;
    for (int i = 0; i < o.records; ++i) {
        second = (second + 1 + static_cast<int>(engine() % 240)) % 86400;
        const int speed = 15 + static_cast<int>(engine() % 96);
        const int lineIndex = 3 + i;
        const std::string body = clockText(second) + "," + std::to_string(speed);
        t += "," + body + "\r\n";
        g.recordLines.push_back(std::to_string(lineIndex) + "," + body);
    }
    t += "Lines : " + std::to_string(o.records) + "\r\n";
    return g;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void sendTransfer(int fd, const Options& o, const std::string& text) {
    // The closing line goes out in one piece of its own: the program recognises the end only
    // when the marker arrives whole.
    const std::size_t closing = text.rfind("Lines :");
    for (std::size_t pos = 0; pos < closing;) {
        const std::size_t n = std::min(o.pieceSize, closing - pos);
        if (!writeAll(fd, std::string_view(text).substr(pos, n)))
            return;
        pos += n;
        std::this_thread::sleep_for(std::chrono::milliseconds(o.pauseMs));
    }
    writeAll(fd, std::string_view(text).substr(closing));
}

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (arg == "--silent") {
            o.silent = true;
            continue;
        }
        if (arg == "--help") {
            o.help = true;
            return false;
        }
        if (!(v = value()))
            return false;
        if (arg == "--records")
            o.records = std::atoi(v);
        else if (arg == "--seed")
            o.seed = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        else if (arg == "--piece")
            o.pieceSize = static_cast<std::size_t>(std::atoi(v));
        else if (arg == "--pause")
            o.pauseMs = std::atoi(v);
        else if (arg == "--lifetime")
            o.lifetimeSeconds = std::atoi(v);
        else if (arg == "--begin")
            o.begin = v;
        else if (arg == "--expect")
            o.expectPath = v;
        else if (arg == "--log")
            o.logPath = v;
        else if (arg == "--link")
            o.linkPath = v;
        else
            return false;
    }
    return o.records >= 0 && o.pieceSize > 0 && o.pauseMs >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        (o.help ? std::cout : std::cerr)
            << "Aufruf: korvala-device-sim [--records N] [--seed S] [--piece BYTES]\n"
               "       [--pause MS] [--begin TEXT] [--expect DATEI] [--log DATEI]\n"
               "       [--link PFAD] [--lifetime SEKUNDEN] [--silent]\n";
        return o.help ? 0 : 2;
    }

    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B19200);
    cfsetospeed(&raw, B19200);
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    // The simulator keeps its own end of the terminal open, so the program may open and close
    // the port as often as it likes without the pair hanging up.
    if (!o.linkPath.empty()) {
        ::unlink(o.linkPath.c_str());
        if (::symlink(name, o.linkPath.c_str()) != 0)
            std::perror("symlink");
    }

    const Generated g = generate(o);
    if (!o.expectPath.empty()) {
        std::ofstream expect(o.expectPath, std::ios::binary);
        expect << "begin " << o.begin << "\n";
        for (const auto& line : g.recordLines)
            expect << line << "\n";
    }
    std::cout << name << std::endl;

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(o.lifetimeSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 200);
        if (ready <= 0 || (p.revents & POLLIN) == 0)
            continue;
        char buffer[64];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        for (ssize_t i = 0; i < n; ++i) {
            const char command = buffer[i];
            if (!o.logPath.empty()) {
                std::ofstream log(o.logPath, std::ios::app | std::ios::binary);
                log << command << "\n";
            }
            if (command == 'r' && !o.silent)
                sendTransfer(master, o, g.text);
        }
    }
    if (!o.linkPath.empty())
        ::unlink(o.linkPath.c_str());
    ::close(slave);
    ::close(master);
    return 0;
}
