#include "ui/day_buttons.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace korvala::ui {

DayButtons::DayButtons(const QString& name, int tag, int columns, QWidget* parent)
    : QGroupBox(QStringLiteral("Tage"), parent), tag_(tag), group_(new QButtonGroup(this)) {
    setObjectName(name);
    group_->setExclusive(true);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    for (int i = 0; i < kButtons; ++i) {
        auto* b = new QRadioButton(this);
        b->setObjectName(QStringLiteral("%1(%2)").arg(name).arg(i));
        b->setProperty("Tag", QString::number(tag));
        b->setEnabled(i == 0);
        group_->addButton(b, i);
        layout->addWidget(b, i / columns, i % columns);
        buttons_[static_cast<std::size_t>(i)] = b;
        connect(b, &QRadioButton::clicked, this,
                [this, b, i] { emit dayClicked(i, b->property("Tag").toString().toInt()); });
    }
    buttons_[0]->setChecked(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) {
            keepTabOnChecked();
        }
    });
    keepTabOnChecked();
}

// Tab enters the row at the chosen day and leaves it with the next press; the arrow keys move
// between the days. Qt arranges this by itself only once a button of the row had the focus, so
// a keyboard user would otherwise arrive at day 1 whichever day is shown.
void DayButtons::keepTabOnChecked() {
    const QAbstractButton* checked = group_->checkedButton();
    const bool anyButton = checked == nullptr || !checked->isEnabled();
    for (QRadioButton* b : buttons_) {
        const int policy = b->focusPolicy();
        b->setFocusPolicy(static_cast<Qt::FocusPolicy>(
            anyButton || b == checked ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
    }
}

int DayButtons::checkedIndex() const {
    return group_->checkedId();
}

void DayButtons::setCaptions(const std::array<std::string, kButtons>& captions) {
    for (int i = 0; i < kButtons; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setText(
            QString::fromStdString(captions[static_cast<std::size_t>(i)]));
    }
}

void DayButtons::setEnabledDays(const std::array<bool, kButtons>& enabled) {
    for (int i = 0; i < kButtons; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setEnabled(i == 0 ||
                                                          enabled[static_cast<std::size_t>(i)]);
    }
    keepTabOnChecked();
}

void DayButtons::select(int index) {
    if (index >= 0 && index < kButtons) {
        // setChecked raises no clicked(), so selecting the other rows evaluates nothing.
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
    }
}

}  // namespace korvala::ui
