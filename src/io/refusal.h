#pragma once
// A command refused for what the user asked or chose, not for a failing file: the app shows it
// as a message box with this caption and text, and nothing has changed.

#include <stdexcept>
#include <string>

namespace pelvaro::io {

struct Refusal {
    std::string caption;
    std::string text;
    friend bool operator==(const Refusal&, const Refusal&) = default;
};

class RefusalError : public std::runtime_error {
  public:
    explicit RefusalError(Refusal refusal)
        : std::runtime_error(refusal.text), refusal_(std::move(refusal)) {}
    const Refusal& refusal() const { return refusal_; }

  private:
    Refusal refusal_;
};

}  // namespace pelvaro::io
