#pragma once
// A multi-line edit that holds at most a given number of characters as the database stores
// them: a line break is kept as a carriage return and a line feed, so it counts as two.

#include <QPlainTextEdit>

namespace pelvaro::app {

class LimitedMemo : public QPlainTextEdit {
    Q_OBJECT

  public:
    LimitedMemo(int maxLength, QWidget* parent = nullptr);

    int maxLength() const { return maxLength_; }

  private:
    void enforceLimit();

    int maxLength_;
    bool enforcing_ = false;
};

// The number of characters a text takes when stored, line breaks counting two.
int storedLength(const QString& text);

}  // namespace pelvaro::app
