#pragma once
// What the transfer receiver and the card commands need from a serial port. Qt's serial port
// implements it in the window; tests script it.

#include <string>

namespace korvala {

class SerialLink {
  public:
    virtual ~SerialLink() = default;
    virtual bool open(int portNumber) = 0;  // 19200 baud, 8N1; false when the port fails
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual int bytesAvailable() const = 0;           // InBufferCount
    virtual std::string readAll() = 0;                // Input: all waiting text, never blocks
    virtual void write(const std::string& text) = 0;  // Output: sent at once, no line end added
};

}  // namespace korvala
