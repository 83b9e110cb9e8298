#pragma once
// The core never touches a window. What the user must see in the status bar is handed to a sink
// that the window connects to its panels (panel 1 is the status line, 2..5 the evaluation).

#include <string_view>

namespace korvala {

class StatusSink {
  public:
    virtual ~StatusSink() = default;
    virtual void setPanel(int panel, std::string_view text) = 0;  // panel 1..5
};

// For callers that do not show status texts.
class NullStatusSink final : public StatusSink {
  public:
    void setPanel(int, std::string_view) override {}
};

}  // namespace korvala
