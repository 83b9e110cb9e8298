#pragma once
// One row of the seven day buttons in its frame "Tage". Every tab carries such a row; the `Tag`
// of a row is the number of the tab it sits on, which decides whether a click counts.

#include <QGroupBox>

#include <array>
#include <string>

class QRadioButton;
class QButtonGroup;

namespace korvala::ui {

class DayButtons final : public QGroupBox {
    Q_OBJECT
  public:
    static constexpr int kButtons = 7;

    // `name` is the object name of the row ("Tage0"); the buttons are named "Tage0(0)" .. "(6)".
    // `columns` lays the buttons out in that many columns.
    DayButtons(const QString& name, int tag, int columns, QWidget* parent = nullptr);

    int tag() const { return tag_; }
    QRadioButton* button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    int checkedIndex() const;

    void setCaptions(const std::array<std::string, kButtons>& captions);
    void setEnabledDays(const std::array<bool, kButtons>& enabled);
    // Selects a day without raising a click.
    void select(int index);

  signals:
    // A click by the user (or QAbstractButton::click()) on button `index`; `tag` is the number
    // read from the button's Tag.
    void dayClicked(int index, int tag);

  private:
    void keepTabOnChecked();

    int tag_;
    std::array<QRadioButton*, kButtons> buttons_{};
    QButtonGroup* group_;
};

}  // namespace korvala::ui
