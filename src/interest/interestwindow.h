#pragma once

#include "framework/childwindow.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kesterly {

// Works out the interest on an amount over a number of months, the rate taken as a
// percentage or as paise. Everything it uses is in its own boxes; it touches no file.
class InterestWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form16";
    explicit InterestWindow(Windows& windows);

    void load() override;
    // Click on "Calc".
    void calculate();

private:
    QLineEdit* amountBox_;
    QLineEdit* monthBox_;
    QLineEdit* rateBox_;
    QLineEdit* resultBox_;
    QRadioButton* percentageOption_;
    QRadioButton* paiseOption_;
    QPushButton* calcButton_;
};

} // namespace kesterly
