#include "interest/interestwindow.h"

#include "core/interestcalculation.h"
#include "framework/fonts.h"
#include "framework/windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kesterly {

namespace {

const QString kTitle = QStringLiteral("Interest");

QString failureText(InterestFailure failure) {
    switch (failure) {
    case InterestFailure::Month:
        return QStringLiteral("The Month box does not hold a number. Type the number of months "
                              "and click Calc again.");
    case InterestFailure::Amount:
        return QStringLiteral("The Amount box does not hold a number. Type the amount and "
                              "click Calc again.");
    case InterestFailure::Rate:
        return QStringLiteral("The % / Paise box does not hold a number. Type the rate and "
                              "click Calc again.");
    case InterestFailure::OutOfRange:
        return QStringLiteral("The Due Amount is out of range: it is too large for the "
                              "calculator. Use smaller figures and click Calc again.");
    case InterestFailure::None:
        break;
    }
    return {};
}

} // namespace

InterestWindow::InterestWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(70, QLatin1Char(' ')) + kTitle, 7236, 5388,
                  Frame::Fixed) {
    // The classic dialog face is the window's own, for the controls without one.
    setFont(fonts::sansSerif(8.25));
    const QFont labelFont = fonts::arial(19.8);
    const QFont boxFont = fonts::arial(18);
    auto label = [&](const char* name, const QString& caption, int left, int top, int width,
                     int height) {
        auto* created = place<QLabel>(name, left, top, width, height);
        created->setText(caption);
        created->setFont(labelFont);
        return created;
    };
    auto box = [&](const char* name, const QString& text, int left, int top, int width,
                   int height) {
        auto* created = place<QLineEdit>(name, left, top, width, height);
        created->setText(text);
        created->setFont(boxFont);
        return created;
    };

    label("Label4", QStringLiteral("Amount :"), 1080, 360, 1572, 492);
    amountBox_ = box("Text4", QStringLiteral("100"), 3000, 360, 3012, 540);
    label("Label1", QStringLiteral("Month :"), 1320, 1080, 1332, 492);
    monthBox_ = box("Text1", QStringLiteral("1"), 3000, 1080, 3012, 492);
    label("Label2", QStringLiteral("% / Paise :"), 156, 1800, 2736, 492);
    rateBox_ = box("Text2", QStringLiteral("1.50"), 3000, 1800, 3012, 492);
    percentageOption_ = place<QRadioButton>("Option1", 3000, 2640, 1212, 372);
    percentageOption_->setText(QStringLiteral("Percentage"));
    paiseOption_ = place<QRadioButton>("Option2", 4680, 2640, 1212, 372);
    paiseOption_->setText(QStringLiteral("Paise"));
    calcButton_ = place<QPushButton>("Command1", 3840, 3240, 1332, 492);
    calcButton_->setText(QStringLiteral("Calc"));
    label("Label3", QStringLiteral("Due Amount :"), 240, 4080, 2412, 492);
    resultBox_ = box("Text3", QString(), 3000, 4080, 3012, 492);

    setTabOrder(monthBox_, rateBox_);
    setTabOrder(rateBox_, resultBox_);
    setTabOrder(resultBox_, calcButton_);
    setTabOrder(calcButton_, amountBox_);
    setTabOrder(amountBox_, percentageOption_);
    setTabOrder(percentageOption_, paiseOption_);
    setFocusProxy(monthBox_);

    connect(calcButton_, &QPushButton::clicked, this, &InterestWindow::calculate);
}

void InterestWindow::load() {
    percentageOption_->setChecked(true);
}

void InterestWindow::calculate() {
    const InterestMode mode =
        percentageOption_->isChecked() ? InterestMode::Percentage : InterestMode::Paise;
    const InterestResult result =
        calculateInterest(monthBox_->text(), amountBox_->text(), rateBox_->text(), mode);
    if (!result) {
        windows().inform(failureText(result.failure), kTitle, MessageIcon::Exclamation);
        return;
    }
    resultBox_->setText(result.text);
}

} // namespace kesterly
